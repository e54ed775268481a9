// quillon-convert on WPG drawings: the traced points, the spectrum read back
// with an independent JCAMP-DX reader, and the vertices compared with what
// Debian's wpg2svg reads from the same files.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, existsSync, readFileSync, readdirSync, mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';
import { wpg2svgVertices } from '../data/wpg/wpg2svg-vertices.mjs';

const converter = process.env.QUILLON_CONVERT;
const data = process.env.QUILLON_TEST_DATA;
mkdirSync(process.env.QUILLON_SCRATCH, { recursive: true });
const scratch = () => mkdtempSync(join(process.env.QUILLON_SCRATCH, 'drawing-'));

function run(args) {
  const r = spawnSync(converter, args, { encoding: 'utf8' });
  return { code: r.status, stderr: r.stderr };
}

// Converts `input` and returns the exit code, the traced points and the spectrum.
function convert(input, options = []) {
  const dir = scratch();
  const out = join(dir, 'out.dx');
  const points = join(dir, 'points.txt');
  const r = run([input, '-o', out, '--points', points, ...options]);
  return {
    ...r,
    points: existsSync(points) ? readFileSync(points, 'utf8') : null,
    spectrum: existsSync(out) ? readJcamp(out) : null,
  };
}

const forty = Buffer.from(
  'FF5750430000000000160000000000000F0A0100302A0000781E0000050800000000302A781E1000', 'hex');

test('the 40-byte drawing traces to two points and a straight line', () => {
  const input = join(scratch(), 'line.wpg');
  writeFileSync(input, forty);
  const r = convert(input);
  assert.equal(r.code, 0, r.stderr);
  assert.equal(r.points, '0 0\n10800 7800\n');
  // SI from the initial setting; sample k at x = k * 10800 / 1024 on y = x * 7800 / 10800.
  assert.equal(r.spectrum.y.length, 1024);
  assert.equal(r.spectrum.sf, 100);
  for (const k of [0, 1, 511, 1023]) {
    assert.ok(Math.abs(r.spectrum.y[k] - (k * 7800) / 1024) < 1e-3 * 7800, `y[${k}] = ${r.spectrum.y[k]}`);
  }
  const eight = convert(input, ['--si', '8']);
  assert.equal(eight.code, 0, eight.stderr);
  assert.equal(eight.spectrum.y.length, 8);
});

test('drawings with nothing to trace, and files too short to be drawings', () => {
  // A second-version drawing passes the signature test but has no first-version records.
  const v2 = convert(join(data, 'wpg', 'gm_input2_TC1.wpg'));
  assert.equal(v2.code, 4);
  assert.match(v2.stderr, /No curve was found/);
  assert.equal(v2.points, '');
  assert.equal(v2.spectrum, null);
  const dir = scratch();
  const short = join(dir, 'short.wpg');
  writeFileSync(short, forty.subarray(0, 15));
  const s = run([short, '-o', join(dir, 's.dx')]);
  assert.equal(s.code, 3);
  assert.match(s.stderr, /File format not recognized/);
  // A drawing cut inside its line record: nothing is carried out past the end.
  const cut = join(dir, 'cut.wpg');
  writeFileSync(cut, forty.subarray(0, 35));
  const c = convert(cut);
  assert.equal(c.code, 4);
  assert.equal(c.points, '');
});

test('the vertices we trace are the ones wpg2svg reads', (t) => {
  if (spawnSync('wpg2svg', ['--help']).error) {
    t.skip('wpg2svg (libwpg-tools) is not installed; vertices/*.txt hold its readings');
    return;
  }
  const dir = join(data, 'wpg');
  const files = readdirSync(dir).filter((n) => n.endsWith('.wpg'));
  assert.ok(files.length >= 10);
  for (const name of files) {
    const path = join(dir, name);
    const reference = wpg2svgVertices(path);
    assert.equal(readFileSync(join(dir, 'vertices', name.replace(/\.wpg$/, '.txt')), 'utf8'), reference,
      `${name}: the committed list is not what wpg2svg reads`);
    const r = convert(path);
    assert.ok(r.code === 0 || r.code === 4, `${name}: ${r.stderr}`);
    assert.equal(r.points, reference, name);
  }
  // The real-layout drawing of a spectrum, read vertex by vertex.
  const std16 = join(data, 'spectra', 'ethanol_wpg_std16_polyline.wpg');
  assert.equal(convert(std16).points, wpg2svgVertices(std16));
});

// The strict local extrema of the plotted polyline that stand out from its
// median by at least a fifth of the largest deviation: the peaks a reader of
// the spectrum looks for, at their exact x.
function groundTruthPeaks(xs, ys) {
  const order = xs.map((x, i) => [x, ys[i]]).sort((a, b) => a[0] - b[0]);
  const v = order.filter((p, i) => i === 0 || p[0] !== order[i - 1][0]);
  const sorted = v.map((p) => p[1]).sort((a, b) => a - b);
  const median = sorted[Math.floor(sorted.length / 2)];
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

// "hz = A + (B) * x / C" as the sidecars write the mapping.
function hzOfX(mapping) {
  const m = /hz = ([-\d.]+) \+ \(([-\d.]+)\) \* x \/ ([\d.]+)/.exec(mapping.hz_of_x);
  return (x) => Number(m[1]) + (Number(m[2]) * x) / Number(m[3]);
}

for (const name of readdirSync(join(data, 'spectra')).filter((n) => n.endsWith('.wpg'))) {
  test(`${name} becomes a spectrum whose peaks lie within one sample of the truth`, () => {
    const side = JSON.parse(readFileSync(join(data, 'spectra', name.replace(/\.wpg$/, '.json')), 'utf8'));
    const cmp = side.settings_for_comparison;
    const si = 16384;
    const r = convert(join(data, 'spectra', name),
      ['--si', String(si), '--sf', String(cmp.SF), '--f1', String(cmp.F1_hz_at_min_x), '--f2', String(cmp.F2_hz_at_max_x)]);
    assert.equal(r.code, 0, r.stderr);
    const expected = side.expected_point_log;
    assert.equal(r.points, expected.x.map((x, i) => `${x} ${expected.y[i]}\n`).join(''));

    const s = r.spectrum;
    assert.equal(s.y.length, si);
    const hz = hzOfX(side.mapping);
    const d = (cmp.F2_hz_at_max_x - cmp.F1_hz_at_min_x) / si;
    const peaks = groundTruthPeaks(expected.x, expected.y);
    assert.ok(peaks.length >= 3, `${name}: ${peaks.length} peaks`);
    for (const p of peaks) {
      // The sample whose frequency is the peak's, and the extremum of the
      // spectrum within 20 samples of it.
      const k = (hz(p.x) - cmp.F1_hz_at_min_x) / d;
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
