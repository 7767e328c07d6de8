# shellcheck shell=bash disable=SC2034 # sets variables for the scripts that source it
# Host-side preparation for the lab guest, sourced by guest-run and run-lab (bash).
# Everything lands in one cache directory and is reused while its inputs stay the same:
# the stock Debian kernel (extracted, never installed), the guest's initramfs and a Wine
# prefix for the unprivileged lab user.

lab_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
lab_cache=${USBIO2_LAB_CACHE:-/var/cache/usbio2-list-lab}
# The unprivileged user that runs Wine in the guest; it owns nothing but the lab's prefix.
lab_uid=4946

lab_die() { echo "lab: $*" >&2; exit 125; }

# The guest sees this machine's root, but fresh file systems on these.
case $lab_cache/ in
    /tmp/* | /var/tmp/* | /run/* | /dev/*) lab_die "the cache must lie outside /tmp, /var/tmp, /run and /dev" ;;
esac
mkdir -p "$lab_cache" || lab_die "cannot create $lab_cache"

# Concurrent lab runs take turns at preparing the cache; their guests then run side by side.
lab_lock() { exec 9>"$lab_cache/.lock" && flock 9; }
lab_unlock() { exec 9>&-; }

# Installs the Debian packages that are missing; quick when all are present.
lab_need_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "lab: installing ${missing[*]}" >&2
    apt-get install -y --no-install-recommends "${missing[@]}" >&2 ||
        { apt-get update >&2 && apt-get install -y --no-install-recommends "${missing[@]}" >&2; } ||
        lab_die "cannot install ${missing[*]}"
}

# The kernel package that linux-image-amd64 currently stands for; its name carries the ABI.
lab_kernel_package() {
    local pkg
    pkg=$(apt-cache depends linux-image-amd64 2>/dev/null | awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { print $2; exit }')
    if [ -z "$pkg" ]; then
        apt-get update >&2 || lab_die "apt-get update failed"
        pkg=$(apt-cache depends linux-image-amd64 | awk '$1 == "Depends:" && $2 ~ /^linux-image-/ { print $2; exit }')
    fi
    [ -n "$pkg" ] || lab_die "cannot find the kernel package behind linux-image-amd64"
    echo "$pkg"
}

# Sets lab_kernel_root (the extracted package with a modules.dep) and lab_kernel_version.
lab_kernel() {
    local pkg root tmp
    pkg=$(lab_kernel_package) || exit
    root=$lab_cache/kernel/$pkg
    if [ ! -e "$root/.complete" ]; then
        echo "lab: fetching $pkg" >&2
        rm -rf "$root" "$root.partial"
        mkdir -p "$root.partial/deb"
        tmp=$root.partial/deb
        (cd "$tmp" && apt-get download -o APT::Sandbox::User=root "$pkg" >&2) ||
            lab_die "cannot download $pkg"
        dpkg -x "$tmp"/*.deb "$root.partial" || lab_die "cannot extract $pkg"
        rm -rf "$tmp"
        # busybox modprobe wants plain modules; newer packages compress them.
        find "$root.partial/lib/modules" -name '*.ko.xz' -exec xz -d {} +
        find "$root.partial/lib/modules" -name '*.ko.zst' -exec zstd -q -d --rm {} +
        # The package ships no modules.dep: make one.
        busybox depmod -b "$root.partial" "$(ls "$root.partial/lib/modules")" ||
            lab_die "depmod failed for $pkg"
        touch "$root.partial/.complete"
        mv "$root.partial" "$root"
    fi
    lab_kernel_root=$root
    lab_kernel_version=$(ls "$root/lib/modules")
}

# Modules the guest loads, in this order, with their parameters; their dependencies come
# from modules.dep. One UDC per board: four, as many as the HID gadget function allows.
lab_modules=(virtio_pci 9pnet_virtio 9p overlay configfs libcomposite usb_f_hid
             'dummy_hcd num=4' usbhid hid-generic)

# Prints the closure of the given modules as paths relative to the module tree.
lab_module_closure() {
    awk -v want="$*" '
        function key(path) { sub(/.*\//, "", path); sub(/\.ko$/, "", path); gsub(/-/, "_", path); return path }
        { sub(/:$/, "", $1); deps[key($1)] = $0; file[key($1)] = $1 }
        END {
            n = split(want, todo, " ")
            for (i = 1; i <= n; i++) { k = todo[i]; gsub(/-/, "_", k); queue[++q] = k }
            for (i = 1; i <= q; i++) {
                k = queue[i]
                if (!(k in file)) { print "missing module " k > "/dev/stderr"; exit 1 }
                if (k in seen) continue
                seen[k] = 1; print file[k]
                m = split(deps[k], d, " ")
                for (j = 2; j <= m; j++) queue[++q] = key(d[j])
            }
        }' "$lab_kernel_root/lib/modules/$lab_kernel_version/modules.dep"
}

# Sets lab_initramfs: busybox, the guest's init and the modules it needs.
lab_initramfs() {
    local key image stage mods modules_dir
    mods=$(lab_module_closure "${lab_modules[@]%% *}") || lab_die "module closure failed"
    key=$( { echo "$lab_kernel_version"; echo "${lab_modules[*]}"; cat "$lab_dir/guest/init" /bin/busybox; } |
           sha256sum | cut -c1-16)
    image=$lab_cache/initramfs-$key.cpio.gz
    if [ ! -e "$image" ]; then
        stage=$(mktemp -d "$lab_cache/initramfs.XXXXXX")
        modules_dir=lib/modules/$lab_kernel_version
        mkdir -p "$stage"/{bin,dev,proc,sys,etc,"$modules_dir"}
        cp /bin/busybox "$stage/bin/busybox"
        cp "$lab_dir/guest/init" "$stage/init"
        chmod 755 "$stage/init"
        printf '%s\n' "${lab_modules[@]}" >"$stage/etc/lab-modules"
        # shellcheck disable=SC2086 # one module path per word
        (cd "$lab_kernel_root/$modules_dir" && cp --parents $mods modules.dep "$stage/$modules_dir/")
        (cd "$stage" && find . | cpio -o -H newc --quiet | gzip -1) >"$image.partial" ||
            lab_die "cannot build the initramfs"
        mv "$image.partial" "$image"
        rm -rf "$stage"
    fi
    lab_initramfs=$image
}

# Sets lab_prefix: a 32-bit Wine prefix owned by the lab user, whose HID bus reads hidraw
# nodes directly (no SDL, no evdev duplicates) and watches /dev itself, as the guest has no udevd.
lab_wine_prefix() {
    local stamp prefix home
    stamp=$(dpkg-query -W -f='${Version}' wine 2>/dev/null)-1
    prefix=$lab_cache/wine-prefix
    if [ "$(cat "$prefix/.lab-stamp" 2>/dev/null)" != "$stamp" ]; then
        echo "lab: preparing the Wine prefix" >&2
        rm -rf "$prefix" "$prefix.home"
        home=$prefix.home
        install -d -o $lab_uid -g $lab_uid "$prefix" "$home"
        lab_as_user env HOME="$home" WINEPREFIX="$prefix" WINEARCH=win32 \
            WINEDLLOVERRIDES='mscoree,mshtml=' wineboot -i >&2 || lab_die "wineboot failed"
        local setting
        for setting in 'Enable SDL=0' DisableInput=1 DisableUdevd=1; do
            lab_as_user env HOME="$home" WINEPREFIX="$prefix" \
                wine reg add 'HKLM\System\CurrentControlSet\Services\winebus' \
                /v "${setting%=*}" /t REG_DWORD /d "${setting##*=}" /f >&2 ||
                lab_die "cannot set winebus ${setting%=*}"
        done
        lab_as_user env HOME="$home" WINEPREFIX="$prefix" wineserver -w
        rm -rf "$home"
        echo "$stamp" >"$prefix/.lab-stamp"
    fi
    lab_prefix=$prefix
}

# Runs a command as the lab user with a clean environment.
lab_as_user() {
    setpriv --reuid=$lab_uid --regid=$lab_uid --clear-groups \
        env -i PATH=/usr/bin:/bin WINEDEBUG=-all "$@"
}
