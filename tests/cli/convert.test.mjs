// quillon-convert as a user runs it: exit codes, messages, and the written
// files read back with an independent JCAMP-DX reader.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, existsSync, readFileSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';

const converter = process.env.QUILLON_CONVERT;
mkdirSync(process.env.QUILLON_SCRATCH, { recursive: true });
const scratch = () => mkdtempSync(join(process.env.QUILLON_SCRATCH, 'run-'));

function run(args) {
  const r = spawnSync(converter, args, { encoding: 'utf8' });
  return { code: r.status, stderr: r.stderr, stdout: r.stdout };
}

test('two points at four samples read back with jcampconverter', () => {
  const dir = scratch();
  const points = join(dir, 'points.txt');
  writeFileSync(points, '0 0\n100 50\n');
  const out = join(dir, 'x.dx');
  const r = run([points, '--si', '4', '-o', out]);
  assert.equal(r.code, 0, r.stderr);
  const d = readJcamp(out);
  assert.equal(d.sf, 100);
  assert.deepEqual(d.x.map((v) => Math.round(v * 1e6) / 1e6), [25000, 12500, 0, -12500]);
  const expected = [0, 12.5, 25, 37.5];
  d.y.forEach((v, i) => assert.ok(Math.abs(v - expected[i]) < 1e-6, `y[${i}] = ${v}`));
});

test('unsorted points are sorted like a drawing', () => {
  const dir = scratch();
  const points = join(dir, 'points.txt');
  writeFileSync(points, '100 50\n0 0\n');
  const out = join(dir, 'x.dx');
  assert.equal(run([points, '--si', '4', '-o', out]).code, 0);
  assert.ok(Math.abs(readJcamp(out).y[1] - 12.5) < 1e-6);
});

test('frequency options set the axis', () => {
  const dir = scratch();
  const points = join(dir, 'points.txt');
  writeFileSync(points, '0 0\n10 10\n');
  const out = join(dir, 'y.dx');
  assert.equal(run([points, '--si', '5', '--sf', '400.13', '--f1', '1720', '--f2', '240', '-o', out]).code, 0);
  const d = readJcamp(out);
  assert.ok(Math.abs(d.sf - 400.13) < 1e-9);
  const step = (240 - 1720) / 5;
  d.x.forEach((v, k) => assert.ok(Math.abs(v - (1720 + k * step)) < 1e-6, `x[${k}] = ${v}`));
});

test('an existing output is replaced only with --force', () => {
  const dir = scratch();
  const points = join(dir, 'points.txt');
  writeFileSync(points, '0 0\n100 50\n');
  const out = join(dir, 'x.dx');
  writeFileSync(out, 'precious');
  const r = run([points, '--si', '4', '-o', out]);
  assert.equal(r.code, 5);
  assert.match(r.stderr, /exists/);
  assert.equal(readFileSync(out, 'utf8'), 'precious');
  assert.equal(run([points, '--si', '4', '-o', out, '--force']).code, 0);
  assert.equal(readJcamp(out).y.length, 4);
});

test('exit codes: usage, unreadable input, nothing to convert', () => {
  const dir = scratch();
  assert.equal(run([]).code, 2);
  assert.equal(run(['--si', '0', 'x']).code, 2);
  assert.equal(run(['--bogus', 'x']).code, 2);
  assert.equal(run(['a', 'b']).code, 2);
  const missing = run([join(dir, 'missing.bmp')]);
  assert.equal(missing.code, 3);
  assert.match(missing.stderr, /Cannot open file/);
  const junk = join(dir, 'junk.bin');
  writeFileSync(junk, Buffer.from([1, 2, 3, 4, 0, 9]));
  const r = run([junk, '-o', join(dir, 'j.dx')]);
  assert.equal(r.code, 3);
  assert.match(r.stderr, /File format not recognized/);
  const empty = join(dir, 'empty.txt');
  writeFileSync(empty, '\n');
  const e = run([empty, '-o', join(dir, 'e.dx')]);
  assert.equal(e.code, 3, 'a file with no points is no point text');
  assert.equal(existsSync(join(dir, 'e.dx')), false);
});
