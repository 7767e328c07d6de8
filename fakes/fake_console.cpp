#include "fakes/fake_console.h"

#include "report/console.h"

namespace fake_console {
namespace {

struct State {
  std::u16string output;
  bool localeSelected = false;
  bool wroteBeforeLocale = false;
};

State& Console() {
  static State state;
  return state;
}

}  // namespace

void Reset() { Console() = State{}; }
const std::u16string& Output() { return Console().output; }
bool LocaleSelected() { return Console().localeSelected; }
bool WroteBeforeLocale() { return Console().wroteBeforeLocale; }

}  // namespace fake_console

void SelectUserLocale() { fake_console::Console().localeSelected = true; }

void WriteText(const WideChar* text, std::size_t length) {
  auto& c = fake_console::Console();
  if (!c.localeSelected) c.wroteBeforeLocale = true;
  c.output.append(text, length);
}

void EndProcess(std::int32_t status) { throw fake_console::ProcessEnded{status}; }
