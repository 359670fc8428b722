#!/usr/bin/env bash
# A DXF written by qn-render opens in a real DXF reader (ezdxf) with one 3DFACE entity
# per triangle: a 40 x 30 terrain gives 2 x 39 x 29 faces, each on layer "QN Object"
# with colour 8 and its fourth corner equal to its third.
# Arguments: build folder, source folder. Skips (exit 0) when python3-ezdxf is missing.
set -euo pipefail
build=$1

python=""
for candidate in /usr/bin/python3 python3; do
  if command -v "$candidate" >/dev/null && "$candidate" -c 'import ezdxf' 2>/dev/null; then
    python=$candidate
    break
  fi
done
if [ -z "$python" ]; then
  echo "SKIP: python3 with ezdxf (Debian python3-ezdxf) is not installed"
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Two 24-bit BMP textures of 40 x 30: heights rising to the right, a flat grey surface.
"$python" - "$work" <<'PY'
import struct, sys
folder = sys.argv[1]
def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(height)):  # bottom-up rows
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        data += line + bytes(row - len(line))
    header = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)
write_bmp(folder + "/bump.bmp", 40, 30, lambda x, y: (x * 6, 0, 0))
write_bmp(folder + "/surface.bmp", 40, 30, lambda x, y: (128, 128, 128))
PY

"$build/bin/qn-render" --quiet --surface "$work/surface.bmp" --bump "$work/bump.bmp" --dxf "$work/terrain.dxf"

"$python" - "$work/terrain.dxf" <<'PY'
import sys, ezdxf
doc = ezdxf.readfile(sys.argv[1])
faces = doc.modelspace().query("3DFACE")
expected = 2 * 39 * 29
assert len(faces) == expected, f"{len(faces)} 3DFACE entities, expected {expected}"
assert len(doc.modelspace()) == expected, "nothing but 3DFACE entities"
for face in faces:
    assert face.dxf.layer == "QN Object" and face.dxf.color == 8
    assert tuple(face.dxf.vtx3) == tuple(face.dxf.vtx2)
    for corner in (face.dxf.vtx0, face.dxf.vtx1, face.dxf.vtx2):
        x, y, z = corner
        assert 0 <= x <= 3900 and 0 <= y <= 2900, corner
        assert z == round(x / 100) * 6 * 25, corner  # height 6 per column, emphasis 0.25, x 100
print(f"ezdxf read {len(faces)} 3DFACE entities")
PY
