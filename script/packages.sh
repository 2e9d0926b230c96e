# SPDX-License-Identifier: MIT
# Shared by the scripts: installs Debian packages that are not yet installed.
# Usage: require_packages name...   (name:i386 enables the i386 architecture first)
require_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ "${#missing[@]}" -gt 0 ] || return 0
    echo "installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    if printf '%s\n' "${missing[@]}" | grep -q ':i386$' &&
        ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${sudo[@]}" dpkg --add-architecture i386
        packages_updated=  # the new architecture's lists are still to be read
    fi
    # Several scripts may install at once: wait for the package database instead of failing.
    # The package lists are read once a run.
    if [ -z "${packages_updated:-}" ]; then
        "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
        packages_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "${missing[@]}"
}

# Makes sure that 32-bit x86 Linux programs run: the i386 tests, and Wine for the Win32 ones.
# Where the kernel runs them, nothing changes. Some x86-64 kernels are built without support for
# them; there they run under qemu-i386 of qemu-user 10 or later, registered with the kernel's
# binfmt_misc as the interpreter of every 32-bit x86 ELF program, Wine's processes included.
# (qemu-user 7.2, Debian 12's own, does not honour MAP_FIXED_NOREPLACE, and Wine then spends a
# minute of CPU reserving its address space in every process.) On Debian 12 the package comes
# from the bookworm-backports suite, enabled as Debian documents it; only qemu-user is taken
# from there. Sets i386_runner to "native" or "qemu-i386 VERSION". Needs gcc -m32 (g++-multilib).
i386_runner=
require_i386_programs() {
    local probe sudo=() binfmt=/proc/sys/fs/binfmt_misc
    local conf=/usr/share/qemu/binfmt.d/qemu-i386.conf interpreter=
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    probe=$(mktemp -d)
    printf 'int main(void) { return 0; }\n' >"$probe/probe.c"
    gcc -m32 "$probe/probe.c" -o "$probe/probe"
    # Debian's registration line for qemu-user 10 (flags P, O and F: the interpreter is opened
    # once, when it is registered, and a registration keeps running the binary it opened even
    # after its package was upgraded). Any other registration is removed: by an older qemu, or
    # made before the installed package.
    if [ -e "$conf" ]; then interpreter=$(sed 's/^:\([^:]*:\)\{5\}\([^:]*\):.*/\2/' "$conf"); fi
    if [ -e "$binfmt/qemu-i386" ] &&
        { [ -z "$interpreter" ] || ! grep -qx "interpreter $interpreter" "$binfmt/qemu-i386" ||
            [ "$(stat -L -c %Z "$interpreter")" -gt "$(stat -c %Y "$binfmt/qemu-i386")" ]; }; then
        echo -1 | "${sudo[@]}" tee "$binfmt/qemu-i386" >/dev/null
    fi
    # A registered emulator (under any name) takes every 32-bit program, so the kernel's own
    # support shows only with binfmt_misc off for a moment.
    if grep -qx enabled "$binfmt/status" 2>/dev/null; then
        echo 0 | "${sudo[@]}" tee "$binfmt/status" >/dev/null
        if "$probe/probe" 2>/dev/null; then i386_runner=native; fi
        echo 1 | "${sudo[@]}" tee "$binfmt/status" >/dev/null
    elif "$probe/probe" 2>/dev/null; then
        i386_runner=native
    fi
    if [ "$i386_runner" = native ]; then
        echo "32-bit x86 programs run natively"
        rm -rf "$probe"
        return 0
    fi

    require_qemu_user_10
    interpreter=$(sed 's/^:\([^:]*:\)\{5\}\([^:]*\):.*/\2/' "$conf")
    if [ ! -e "$binfmt/register" ]; then
        "${sudo[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
    fi
    if [ ! -e "$binfmt/qemu-i386" ]; then
        "${sudo[@]}" tee "$binfmt/register" <"$conf" >/dev/null
    fi
    i386_runner="qemu-i386 $("$(readlink -f "$interpreter")" --version | sed -n 's/.*version \([0-9.]*\).*/\1/p;q')"
    if ! "$probe/probe"; then
        echo "32-bit x86 programs do not run, even under $i386_runner" >&2
        rm -rf "$probe"
        return 1
    fi
    echo "32-bit x86 programs run under $i386_runner, registered with binfmt_misc:" \
        "this kernel does not run them itself"
    rm -rf "$probe"
}

# qemu-user 10 or later: from the distribution's own suite where it has it, else from its
# backports suite (added to the sources as /etc/apt/sources.list.d/<codename>-backports.sources
# when apt knows no packages of that suite yet).
require_qemu_user_10() {
    local sudo=() installed codename suite=
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    installed=$(dpkg-query -W -f='${Status} ${Version}' qemu-user 2>/dev/null |
        sed -n 's/^install ok installed //p')
    if [ -n "$installed" ] && dpkg --compare-versions "$installed" ge 1:10; then return 0; fi
    if [ -z "${packages_updated:-}" ]; then
        "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
        packages_updated=1
    fi
    if ! dpkg --compare-versions "$(apt-cache policy qemu-user | sed -n 's/^ *Candidate: //p')" ge 1:10; then
        codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
        suite=$codename-backports
        # (A deb-src line of that suite, as script/qemu-plugin adds, gives no packages.)
        if ! apt-cache policy | grep -q " $suite/main [a-z0-9]* Packages"; then
            printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' "Suites: $suite" \
                'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
                "${sudo[@]}" tee "/etc/apt/sources.list.d/$suite.sources" >/dev/null
            "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
        fi
    fi
    echo "installing: qemu-user${suite:+ from $suite}"
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "qemu-user${suite:+/$suite}"
}
