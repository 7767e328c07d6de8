#include "win32_runtime/command_line.h"

#include <cstddef>

#include "discovery/memory.h"

namespace {

WideChar* gNoArguments[1] = {nullptr};

bool IsBlank(WideChar c) { return c == u' ' || c == u'\t'; }

// One parser for both passes: with null outputs it only counts arguments and characters.
struct Splitter {
  WideChar** values;
  WideChar* text;
  int count;
  std::size_t characters;

  void Put(WideChar c) {
    if (text != nullptr) text[characters] = c;
    ++characters;
  }
  void Begin() {
    if (values != nullptr) values[count] = text + characters;
  }
  void End() {
    Put(u'\0');
    ++count;
  }
};

void Split(const WideChar* p, Splitter& out) {
  if (*p == u'\0') return;

  // The program name is taken as it stands: no escapes, a quote only groups.
  out.Begin();
  if (*p == u'"') {
    for (++p; *p != u'\0' && *p != u'"'; ++p) out.Put(*p);
    if (*p == u'"') ++p;
  } else {
    for (; *p != u'\0' && !IsBlank(*p); ++p) out.Put(*p);
  }
  out.End();

  for (;;) {
    while (IsBlank(*p)) ++p;
    if (*p == u'\0') return;
    out.Begin();
    bool quoted = false;
    while (*p != u'\0' && (quoted || !IsBlank(*p))) {
      if (*p == u'\\') {
        std::size_t backslashes = 0;
        for (; *p == u'\\'; ++p) ++backslashes;
        if (*p != u'"') {
          for (; backslashes > 0; --backslashes) out.Put(u'\\');
          continue;
        }
        for (std::size_t i = 0; i < backslashes / 2; ++i) out.Put(u'\\');
        if (backslashes % 2 == 1) {
          out.Put(u'"');
          ++p;
        }
      } else if (*p == u'"') {
        if (quoted && p[1] == u'"') {
          out.Put(u'"');
          p += 2;
        } else {
          quoted = !quoted;
          ++p;
        }
      } else {
        out.Put(*p++);
      }
    }
    out.End();
  }
}

}  // namespace

CommandLineArguments SplitCommandLine(const WideChar* commandLine) {
  CommandLineArguments none{0, gNoArguments};
  if (commandLine == nullptr) return none;

  Splitter measure{nullptr, nullptr, 0, 0};
  Split(commandLine, measure);

  const std::size_t pointerBytes =
      (static_cast<std::size_t>(measure.count) + 1) * sizeof(WideChar*);
  void* block = AllocateMemory(pointerBytes + measure.characters * sizeof(WideChar));
  if (block == nullptr) return none;

  auto** values = static_cast<WideChar**>(block);
  Splitter fill{values, reinterpret_cast<WideChar*>(static_cast<char*>(block) + pointerBytes), 0,
                0};
  Split(commandLine, fill);
  values[fill.count] = nullptr;
  return CommandLineArguments{fill.count, values};
}

void ReleaseCommandLine(CommandLineArguments& arguments) {
  if (arguments.values != gNoArguments) ReleaseMemory(arguments.values);
  arguments = CommandLineArguments{0, gNoArguments};
}
