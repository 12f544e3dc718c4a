"""Exit 0 when the device's flash (argv[2]) holds the Intel HEX update file
(argv[1]) as the device stores it: the data from its first address, gaps
0xFF, padded with 0xFF to whole 256-byte blocks."""
import sys

memory, base = {}, 0
for line in open(sys.argv[1], encoding="ascii"):
    record = bytes.fromhex(line.strip()[1:])
    count, address, kind, data = record[0], record[1] << 8 | record[2], record[3], record[4:-1]
    if kind == 0:
        memory.update((base + address + i, b) for i, b in enumerate(data[:count]))
    elif kind in (2, 4):
        base = int.from_bytes(data, "big") << (4 if kind == 2 else 16)
first, last = min(memory), max(memory)
size = (last - first + 256) // 256 * 256
image = bytes(memory.get(first + offset, 0xFF) for offset in range(size))
try:
    flash = open(sys.argv[2], "rb").read()
except OSError:
    sys.exit(1)
sys.exit(0 if flash == image else 1)
