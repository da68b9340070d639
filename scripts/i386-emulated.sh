#!/usr/bin/env bash
# Runs a command where i386 Linux programs run under qemu-user, for hosts whose kernel runs no
# 32-bit code: Wine's 32-bit loader then starts, and a 32-bit Windows program runs in a 64-bit
# prefix with only its own process emulated. The emulation is registered in a user and mount
# namespace of the command's own, so the host's registrations stay as they are, and nothing of it
# outlives the command, however the command ends. Run by a user other than root, the command is
# root inside, with a Wine server of its own: everything that uses one prefix must run in one call.
# Usage: i386-emulated.sh COMMAND [ARGUMENTS...]
set -euo pipefail
qemu=/usr/bin/qemu-i386-static
[ -x "$qemu" ] || {
  echo "i386 emulation: $qemu is missing (Debian package qemu-user-static)" >&2
  exit 1
}
unshare --user --map-root-user true || {
  echo "i386 emulation: this host makes no user namespace (unshare --user)" >&2
  exit 1
}
# i386 ELF executables and shared objects, as qemu's own registration names them.
magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
exec unshare --user --map-root-user --mount bash -c '
  set -e
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc || {
    echo "i386 emulation: no binfmt_misc of its own in a user namespace (Linux 6.7 or later)" >&2
    exit 1
  }
  # F: qemu is opened now, so it runs whatever the namespace sees later.
  # The kernel tries this entry before its own loader, so here every i386 program runs under
  # qemu, on a host that could run it natively too.
  echo ":svcmgr-i386:M::$1:$2:$3:F" >/proc/sys/fs/binfmt_misc/register
  shift 3
  export SVCMGR_INSIDE_EMULATION_NAMESPACE=1
  exec "$@"' bash "$magic" "$mask" "$qemu" "$@"
