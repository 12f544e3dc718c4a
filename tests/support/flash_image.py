"""The update image as the device stores it, from an Intel HEX file: the data
from its first address, gaps 0xFF, padded with 0xFF to whole 256-byte blocks.

    flash_image.py HEX_FILE FLASH_FILE   exit 0 when the flash holds the image"""
import sys


def image_bytes(hex_path):
    memory, base = {}, 0
    for line in open(hex_path, encoding="ascii"):
        record = bytes.fromhex(line.strip()[1:])
        count, address, kind, data = record[0], record[1] << 8 | record[2], record[3], record[4:-1]
        if kind == 0:
            memory.update((base + address + i, b) for i, b in enumerate(data[:count]))
        elif kind in (2, 4):
            base = int.from_bytes(data, "big") << (4 if kind == 2 else 16)
    first, last = min(memory), max(memory)
    size = (last - first + 256) // 256 * 256
    return bytes(memory.get(first + offset, 0xFF) for offset in range(size))


if __name__ == "__main__":
    try:
        flash = open(sys.argv[2], "rb").read()
    except OSError:
        sys.exit(1)
    sys.exit(0 if flash == image_bytes(sys.argv[1]) else 1)
