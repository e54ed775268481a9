// quillon-convert as a user runs it on point text: exit codes, messages, and
// the written file read back with an independent JCAMP-DX reader.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';
import { assertClose, put, run } from './support.mjs';

test('two points at four samples read back with jcampconverter', () => {
  const points = put('points.txt', '0 0\n100 50\n');
  const out = join(points, '..', 'x.dx');
  const r = run([points, '--si', '4', '-o', out]);
  assert.equal(r.code, 0, r.stderr);
  const d = readJcamp(out);
  assert.equal(d.sf, 100);
  assertClose(d.x, [25000, 12500, 0, -12500], 1e-6, 'x');
  assertClose(d.y, [0, 12.5, 25, 37.5], 1e-6, 'y');

  // An existing output is replaced only with --force.
  writeFileSync(out, 'precious');
  const again = run([points, '--si', '4', '-o', out]);
  assert.equal(again.code, 5);
  assert.match(again.stderr, /exists/);
  assert.equal(readFileSync(out, 'utf8'), 'precious');
  assert.equal(run([points, '--si', '4', '-o', out, '--force']).code, 0);
  assert.equal(readJcamp(out).y.length, 4);
});

test('frequency options set the axis', () => {
  const points = put('points.txt', '0 0\n10 10\n');
  const out = join(points, '..', 'y.dx');
  assert.equal(run([points, '--si', '5', '--sf', '400.13', '--f1', '1720', '--f2', '240', '-o', out]).code, 0);
  const d = readJcamp(out);
  assert.ok(Math.abs(d.sf - 400.13) < 1e-9);
  assertClose(d.x, [0, 1, 2, 3, 4].map((k) => 1720 + (k * (240 - 1720)) / 5), 1e-6, 'x');
});

test('exit codes: usage, unreadable input, nothing to convert', () => {
  for (const args of [[], ['--si', '0', 'x'], ['--bogus', 'x'], ['a', 'b', '--points', 'p'], ['--f1', '5', '--f2', '5', 'x']]) {
    assert.equal(run(args).code, 2, args);
  }
  const cases = [
    [put('missing.bmp', '') + '-not-there', /Cannot open file/],
    [put('junk.bin', Buffer.from([1, 2, 3, 4, 0, 9])), /File format not recognized/],
    [put('empty.txt', '\n'), /./],  // a file with no points is no point text
  ];
  for (const [input, message] of cases) {
    const out = `${input}.dx`;
    const r = run([input, '-o', out]);
    assert.equal(r.code, 3, input);
    assert.match(r.stderr, message);
    assert.equal(existsSync(out), false);
  }
});
