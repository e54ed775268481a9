// quillon-convert on WPG drawings: the traced points and the spectrum read back
// with an independent JCAMP-DX reader.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync, readdirSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';
import { wpg2svgVertices } from '../data/wpg/wpg2svg-vertices.mjs';
import { data, put, run, scratch } from './support.mjs';

// Converts `input`; returns the exit code, the traced points and the spectrum.
function convert(input, options = []) {
  const dir = scratch();
  const [out, points] = [join(dir, 'out.dx'), join(dir, 'points.txt')];
  const r = run([input, '-o', out, '--points', points, ...options]);
  return {
    ...r,
    points: existsSync(points) ? readFileSync(points, 'utf8') : null,
    spectrum: existsSync(out) ? readJcamp(out) : null,
  };
}

const forty = Buffer.from('FF5750430000000000160000000000000F0A0100302A0000781E0000050800000000302A781E1000', 'hex');

test('the 40-byte drawing traces to two points and a straight line', () => {
  const input = put('line.wpg', forty);
  const r = convert(input);
  assert.equal(r.code, 0, r.stderr);
  assert.equal(r.points, '0 0\n10800 7800\n');
  // SI from the initial setting; sample k at x = k * 10800 / 1024 on y = x * 7800 / 10800.
  assert.equal(r.spectrum.y.length, 1024);
  assert.equal(r.spectrum.sf, 100);
  for (const k of [0, 1, 511, 1023]) {
    assert.ok(Math.abs(r.spectrum.y[k] - (k * 7800) / 1024) < 1e-3 * 7800, `y[${k}] = ${r.spectrum.y[k]}`);
  }
  assert.equal(convert(input, ['--si', '8']).spectrum.y.length, 8);
});

test('drawings with nothing to trace, and files too short to be drawings', () => {
  // A second-version drawing passes the signature test but has no first-version
  // records; a drawing cut inside its line record carries nothing out.
  for (const input of [join(data, 'wpg', 'gm_input2_TC1.wpg'), put('cut.wpg', forty.subarray(0, 35))]) {
    const r = convert(input);
    assert.equal(r.code, 4, input);
    assert.match(r.stderr, /No curve was found/);
    assert.equal(r.points, null, 'no points without the spectrum');
    assert.equal(r.spectrum, null);
  }
  const short = run([put('short.wpg', forty.subarray(0, 15)), '-o', `${scratch()}/s.dx`]);
  assert.equal(short.code, 3);
  assert.match(short.stderr, /File format not recognized/);
});

// The core tests compare the traced vertices of these drawings with vertices/*.txt.
test('the committed vertex lists are what wpg2svg reads', (t) => {
  if (spawnSync('wpg2svg', ['--help']).error) return t.skip('wpg2svg (libwpg-tools) is not installed');
  const dir = join(data, 'wpg');
  for (const name of readdirSync(dir).filter((n) => n.endsWith('.wpg'))) {
    assert.equal(readFileSync(join(dir, 'vertices', name.replace(/\.wpg$/, '.txt')), 'utf8'),
      wpg2svgVertices(join(dir, name)), name);
  }
});

// The strict local extrema of the plotted polyline that stand out from its
// median by at least a fifth of the largest deviation: the peaks a reader of
// the spectrum looks for, at their exact x.
function groundTruthPeaks(xs, ys) {
  const order = xs.map((x, i) => [x, ys[i]]).sort((a, b) => a[0] - b[0]);
  const v = order.filter((p, i) => i === 0 || p[0] !== order[i - 1][0]);
  const median = v.map((p) => p[1]).sort((a, b) => a - b)[Math.floor(v.length / 2)];
  const largest = Math.max(...v.map((p) => Math.abs(p[1] - median)));
  const peaks = [];
  for (let i = 1; i + 1 < v.length; ++i) {
    const [x, y] = v[i];
    const up = y > v[i - 1][1] && y >= v[i + 1][1];
    const down = y < v[i - 1][1] && y <= v[i + 1][1];
    if ((up || down) && Math.abs(y - median) >= largest / 5) peaks.push({ x, y, sign: up ? 1 : -1, median });
  }
  return peaks;
}

for (const name of readdirSync(join(data, 'spectra')).filter((n) => n.endsWith('.wpg'))) {
  test(`${name} becomes a spectrum whose peaks lie within one sample of the truth`, () => {
    const side = JSON.parse(readFileSync(join(data, 'spectra', name.replace(/\.wpg$/, '.json')), 'utf8'));
    const { SF, F1_hz_at_min_x: f1, F2_hz_at_max_x: f2 } = side.settings_for_comparison;
    const si = 16384;
    const r = convert(join(data, 'spectra', name), ['--si', String(si), '--sf', String(SF), '--f1', String(f1),
      '--f2', String(f2)]);
    assert.equal(r.code, 0, r.stderr);
    const expected = side.expected_point_log;
    assert.equal(r.points, expected.x.map((x, i) => `${x} ${expected.y[i]}\n`).join(''));
    const s = r.spectrum;
    assert.equal(s.y.length, si);
    // "hz = A + (B) * x / C" as the sidecars write the mapping.
    const m = /hz = ([-\d.]+) \+ \(([-\d.]+)\) \* x \/ ([\d.]+)/.exec(side.mapping.hz_of_x).slice(1).map(Number);
    const hz = (x) => m[0] + (m[1] * x) / m[2];
    const d = (f2 - f1) / si;
    const peaks = groundTruthPeaks(expected.x, expected.y);
    assert.ok(peaks.length >= 3, `${name}: ${peaks.length} peaks`);
    for (const p of peaks) {
      // The sample whose frequency is the peak's, and the extremum of the
      // spectrum within 20 samples of it.
      const k = (hz(p.x) - f1) / d;
      let best = -1;
      for (let j = Math.max(0, Math.round(k) - 20); j <= Math.min(si - 1, Math.round(k) + 20); ++j) {
        if (best < 0 || p.sign * s.y[j] > p.sign * s.y[best]) best = j;
      }
      assert.ok(Math.abs(best - k) <= 1, `${name}: peak at x ${p.x} (sample ${k.toFixed(2)}) found at ${best}`);
      assert.ok(p.sign * (s.y[best] - p.median) >= 0.5 * p.sign * (p.y - p.median),
        `${name}: peak at x ${p.x} is ${s.y[best]}, drawn ${p.y}`);
      assert.ok(Math.abs(s.x[best] - hz(p.x)) <= Math.abs(d) * 1.0001, `${name}: ${s.x[best]} Hz vs ${hz(p.x)} Hz`);
    }
  });
}
