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
    fi
    # Several scripts may install at once: wait for the package database instead of failing.
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=900 install -y \
        --no-install-recommends "${missing[@]}"
}

# Makes sure that 32-bit x86 Linux programs run: the i386 tests, and Wine for the Win32 ones.
# Some x86-64 kernels are built without support for them; there they run under qemu-i386,
# registered with the kernel's binfmt_misc as the interpreter of 32-bit x86 ELF files (and
# much slower); i386_emulated is then 1. Needs gcc with -m32 (g++-multilib).
i386_emulated=0
require_i386_programs() {
    local probe sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    probe=$(mktemp -d)
    printf 'int main(void) { return 0; }\n' >"$probe/probe.c"
    gcc -m32 "$probe/probe.c" -o "$probe/probe"
    # Registered once, the emulator serves every later 32-bit program too.
    if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
        echo "32-bit x86 programs run under qemu-i386 (registered with binfmt_misc)"
        i386_emulated=1
    elif ! "$probe/probe" 2>/dev/null; then
        echo "this kernel does not run 32-bit x86 programs: they run under qemu-i386"
        i386_emulated=1
        require_packages qemu-user
        if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
            "${sudo[@]}" mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        fi
        if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
            # ELF, 32-bit, little-endian, executable or shared object, machine 3 (i386).
            printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:' |
                "${sudo[@]}" tee /proc/sys/fs/binfmt_misc/register >/dev/null
        fi
        if ! "$probe/probe"; then
            echo "32-bit x86 programs do not run, even under qemu-i386" >&2
            rm -rf "$probe"
            return 1
        fi
    fi
    rm -rf "$probe"
}
