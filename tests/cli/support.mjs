// What the converter tests share: running quillon-convert in fresh folders.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

export const converter = process.env.QUILLON_CONVERT;
export const data = process.env.QUILLON_TEST_DATA;
mkdirSync(process.env.QUILLON_SCRATCH, { recursive: true });
export const scratch = () => mkdtempSync(join(process.env.QUILLON_SCRATCH, 'run-'));

export function run(args) {
  const r = spawnSync(converter, args, { encoding: 'utf8' });
  return { code: r.status, stderr: r.stderr };
}

// Writes `content` to `name` in `dir` (a fresh folder by default); returns the path.
export function put(name, content, dir = scratch()) {
  const path = join(dir, name);
  writeFileSync(path, content);
  return path;
}

export function assertClose(actual, expected, tol, what) {
  assert.equal(actual.length, expected.length, `${what}: length`);
  expected.forEach((v, i) => {
    if (!(Math.abs(actual[i] - v) <= tol)) assert.fail(`${what}[${i}] = ${actual[i]}, expected ${v} within ${tol}`);
  });
}

// A bitmap file with a 40-byte header, built here byte by byte.
export function bitmap({ width, height, bits, palette = [], pixels }) {
  const head = Buffer.alloc(54);
  head.write('BM', 0, 'latin1');
  const table = Buffer.from(palette.flatMap(([r, g, b]) => [b, g, r, 0]));
  [[54 + table.length + pixels.length, 2], [54 + table.length, 10], [40, 14], [width, 18], [height, 22],
    [palette.length, 46]].forEach(([v, at]) => head.writeUInt32LE(v, at));
  head.writeUInt16LE(1, 26);
  head.writeUInt16LE(bits, 28);
  return Buffer.concat([head, table, pixels]);
}
