#!/usr/bin/env bash
# Builds the test machine under build/e2e/vm: Debian's own kernel package,
# fetched with apt-get download and unpacked there (nothing of the host
# changes), and a busybox initramfs holding the modules the rig needs. Does
# nothing when both are there and newer than their inputs.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
vm="$root/build/e2e/vm"
kernel_package="${MAGCFG_E2E_KERNEL:-linux-image-amd64}"
# Modules in the order their dependencies need; dummy_hcd gets its reader
# count from the boot line. evdev and uhid are there for cases that need them.
modules="usb-common usbcore udc-core dummy_hcd configfs libcomposite usb_f_hid hid usbhid hid-generic
  evdev uhid virtio_pci 9pnet_virtio 9p overlay"

mkdir -p "$vm"
if ! ls "$vm"/kernel/boot/vmlinuz-* >/dev/null 2>&1; then
  echo "e2e: fetching $kernel_package"
  (cd "$vm" && rm -f ./*.deb &&
    apt-get download "$kernel_package" >/dev/null 2>&1 &&
    image=$(dpkg-deb -f ./"$kernel_package"_*.deb Depends | grep -o 'linux-image-[^ ,]*' | head -1) &&
    apt-get download "$image" >/dev/null 2>&1)
  deb=$(ls "$vm"/linux-image-[0-9]*.deb | head -1)
  rm -rf "$vm/kernel"
  mkdir -p "$vm/kernel"
  # Only the image and the module folders the rig loads from.
  dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$vm/kernel" --wildcards './boot/vmlinuz-*' './boot/config-*' \
    './lib/modules/*/kernel/drivers/usb/*' './lib/modules/*/kernel/drivers/hid/*' \
    './lib/modules/*/kernel/drivers/input/*' './lib/modules/*/kernel/drivers/virtio/*' \
    './lib/modules/*/kernel/fs/*' './lib/modules/*/kernel/net/9p/*'
  rm -f "$vm"/*.deb "$vm/vmlinux"
fi

# QEMU boots an uncompressed image through its PVH entry at once; the
# packaged image would spend half a minute of software emulation
# decompressing itself.
if [ ! -f "$vm/vmlinux" ]; then
  image=$(ls "$vm"/kernel/boot/vmlinuz-* | head -1)
  offset=$(LC_ALL=C grep -obUaP '\xfd7zXZ\x00' "$image" | head -1 | cut -d: -f1)
  xz --single-stream -dc < <(tail -c +$((offset + 1)) "$image") >"$vm/vmlinux.tmp"
  mv "$vm/vmlinux.tmp" "$vm/vmlinux"
fi

initramfs="$vm/initramfs.cpio.gz"
init="$root/tests/e2e/vm/init"
if [ -f "$initramfs" ] && [ "$initramfs" -nt "$init" ] && [ "$initramfs" -nt "$0" ]; then
  exit 0
fi

moddir=$(ls -d "$vm"/kernel/lib/modules/*/kernel)
find_module() { find "$moddir" -name "$1.ko*" -o -name "${1//-/_}.ko*" | head -1; }
staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
mkdir -p "$staging"/{bin,dev,proc,sys,lib/modules,newroot,host,rw}
cp /bin/busybox "$staging/bin/busybox"
cp "$init" "$staging/init"
chmod 755 "$staging/init"

# Loads each module after the ones it depends on, each once.
declare -A placed=()
order=()
place() {
  local name="$1" file dep
  [ -n "${placed[$name]:-}" ] && return
  placed[$name]=1
  file=$(find_module "$name")
  [ -n "$file" ] || { echo "e2e: module $name not in the kernel package" >&2; exit 1; }
  for dep in $(modinfo -F depends "$file" | tr ',' ' '); do place "$dep"; done
  cp "$file" "$staging/lib/modules/"
  order+=("$(basename "$file")")
}
for module in $modules; do place "$module"; done
printf '%s\n' "${order[@]}" >"$staging/lib/modules/order"

(cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs.tmp"
mv "$initramfs.tmp" "$initramfs"
echo "e2e: initramfs with ${#order[@]} modules"
