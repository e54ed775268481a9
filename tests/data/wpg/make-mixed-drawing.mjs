// Writes mixed_std16.wpg: a drawing in the real WPG 1.0 layout (16-bit page
// size, 16-bit vertex pairs) with every record kind the interpreter carries
// out, negative vertices, a word-length polyline and records it skips.
// Run once: node make-mixed-drawing.mjs; the file is committed.
import { writeFileSync } from 'node:fs';

const bytes = [0xff, 0x57, 0x50, 0x43, 16, 0, 0, 0, 1, 0x16, 1, 0, 0, 0, 0, 0];
const u16 = (v) => [v & 0xff, (v >> 8) & 0xff];
function record(type, data) {
  const n = data.length;
  if (n < 255) bytes.push(type, n);
  else if (n < 0x8000) bytes.push(type, 255, ...u16(n));
  else bytes.push(type, 255, ...u16(0x8000 | (n >> 16)), ...u16(n & 0xffff));
  bytes.push(...data);
}
const poly = (type, vertices) => record(type, [...u16(vertices.length), ...vertices.flatMap(([x, y]) => [...u16(x), ...u16(y)])]);

record(15, [1, 0, ...u16(12000), ...u16(9000)]);
record(2, [1, 0, ...u16(1)]);
record(1, [1, 12]);
record(5, [...u16(100), ...u16(200), ...u16(11000), ...u16(8500)]);
poly(6, [[10, 20], [-30, -40], [500, 600], [32767, -32768]]);
record(7, [...u16(1000), ...u16(1000), ...u16(500), ...u16(400)]);
poly(8, [[1000, 2000], [3000, -4000], [5000, 6000]]);
record(9, [...u16(6000), ...u16(4500), ...u16(1000), ...u16(500), 0, 0, 0, 0, ...u16(360), 0, 0]);
record(2, [1, 9, ...u16(1)]);
poly(6, Array.from({ length: 100 }, (_, i) => [i * 100, Math.round(3000 + 2500 * Math.sin(i / 7))]));
record(5, [...u16(0), ...u16(0), ...u16(0), ...u16(0)]);
record(1, [0, 0]);
poly(8, [[7000, 7000], [8000, 7000], [8000, 8000], [7000, 8000]]);
record(16, []);
writeFileSync(new URL('mixed_std16.wpg', import.meta.url), Buffer.from(bytes));
