# Gadget readers for the test machine: bash functions to source inside it
# (configfs is mounted at /sys/kernel/config). Each gadget is one USB device
# on one dummy_hcd pair: UDC dummy_udc.N shows up on host bus N+1 as
# device N+1-1. Functions are added before the gadget is bound.
#
#   gadget_create NAME VID PID BCD      a device without functions
#   gadget_add_hid NAME FUNC PROTOCOL SUBCLASS REPORT_LENGTH DESCRIPTOR_HEX
#   gadget_add_keyboard NAME FUNC       a boot keyboard (8-byte input reports)
#   gadget_bind NAME UDC / gadget_unbind NAME   plug in / pull out
#   gadget_hidg NAME FUNC               its /dev/hidgN (the device side)
#   reader_gadget NAME UDC [IN OUT]     the card reader, bound; IN/OUT are
#                                       its report lengths, 64 by default
#   pause SECONDS                       sleep without starting a program
#   hidraw_of_udc UDC [TIMEOUT_S]       waits for and prints the host's
#                                       /dev/hidrawN of that gadget's first
#                                       HID interface

GADGETS=/sys/kernel/config/usb_gadget

# Sleeps without starting a program (each costs a good part of a second in
# the emulated machine).
pause() { read -rt "$1" <> <(:) || true; }

gadget_create() {
  local g="$GADGETS/$1"
  mkdir -p "$g/strings/0x409" "$g/configs/c.1"
  echo "$2" >"$g/idVendor"
  echo "$3" >"$g/idProduct"
  echo "$4" >"$g/bcdDevice"
  echo 0x0200 >"$g/bcdUSB"
  echo "magcfg rig" >"$g/strings/0x409/manufacturer"
  echo "$1" >"$g/strings/0x409/product"
  echo "$1" >"$g/strings/0x409/serialnumber"
  echo 100 >"$g/configs/c.1/MaxPower"
}

gadget_add_hid() {
  local g="$GADGETS/$1" f="$GADGETS/$1/functions/hid.$2" hex="$6" bytes="" i
  mkdir "$f"
  echo "$3" >"$f/protocol"
  echo "$4" >"$f/subclass"
  echo "$5" >"$f/report_length"
  for ((i = 0; i < ${#hex}; i += 2)); do bytes+="\\x${hex:i:2}"; done
  printf "$bytes" >"$f/report_desc"
  ln -s "$f" "$g/configs/c.1/"
}

gadget_add_keyboard() {
  # The boot keyboard of the HID class definition: modifiers, reserved byte,
  # six key codes in; five LEDs out.
  gadget_add_hid "$1" "$2" 1 1 8 05010906a101050719e029e71500250175019508810295017508810395057501050819012905910295017503910395067508150025650507190029658100c0
}

gadget_bind() { echo "$2" >"$GADGETS/$1/UDC"; }
gadget_unbind() { echo "" >"$GADGETS/$1/UDC"; }

gadget_hidg() {
  local dev
  dev=$(<"$GADGETS/$1/functions/hid.$2/dev")
  echo "/dev/hidg${dev#*:}"
}

# A vendor-page descriptor with one input and one output report of the given
# byte counts and no report IDs, as the reader has.
reader_descriptor() {
  local count_in count_out
  count_in=$(report_count "$1")
  count_out=$(report_count "$2")
  # Usage page 0xFF00, usage 1, application collection; usage 2, bytes 0 to
  # 255, the input report; usage 3, the output report; end of collection.
  echo "0600ff0901a101""0902150026ff007508${count_in}8102""0903150026ff007508${count_out}9102""c0"
}

# Report Count as a short item: one data byte up to 255, two beyond.
report_count() {
  if [ "$1" -le 255 ]; then printf '95%02x' "$1"; else printf '96%02x%02x' $(($1 & 255)) $(($1 >> 8)); fi
}

reader_gadget() {
  local name="$1" udc="$2" in="${3:-64}" out="${4:-64}"
  local length=$((in > out ? in : out))
  gadget_create "$name" 0x5131 0x2007 0x0102
  gadget_add_hid "$name" reader 0 0 "$length" "$(reader_descriptor "$in" "$out")"
  gadget_bind "$name" "$udc"
}

hidraw_of_udc() {
  local bus=$((${1##*.} + 1)) limit=$((${2:-20} * 10)) node i
  for ((i = 0; i < limit; i++)); do
    for node in /sys/bus/usb/devices/"$bus-1:1.0"/*/hidraw/hidraw*; do
      [ -e "$node" ] && [ -e "/dev/${node##*/}" ] && { echo "/dev/${node##*/}"; return 0; }
    done
    pause 0.1
  done
  echo "no hidraw node for $1" >&2
  return 1
}
