// quillon-convert on bitmaps: pictures of known spectra made by other plotters
// traced exactly and turned into spectra whose peaks are where the lines are,
// the defaults, the exit codes and messages, the progress bar, and the sample.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, readFileSync, readdirSync, writeFileSync, existsSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';

const converter = process.env.QUILLON_CONVERT;
const data = process.env.QUILLON_TEST_DATA;
const repo = dirname(dirname(data));
const spectra = join(data, 'spectra');
mkdirSync(process.env.QUILLON_SCRATCH, { recursive: true });
const scratch = () => mkdtempSync(join(process.env.QUILLON_SCRATCH, 'bitmap-'));

function run(args) {
  const r = spawnSync(converter, args, { encoding: 'utf8' });
  return { code: r.status, stderr: r.stderr, stdout: r.stdout };
}

function readPoints(path) {
  return readFileSync(path, 'utf8').trim().split('\n').filter(Boolean).map((l) => l.split(' ').map(Number));
}

const nextPow2 = (n) => { let p = 1; while (p < n) p *= 2; return p; };

// The true spectrum of a sidecar: the curve the plotter was given, at a line
// centre (every line centre is one of its vertices).
function truth(curve) {
  if (curve.plotted_polyline.values_file) {
    const rows = readFileSync(join(spectra, curve.plotted_polyline.values_file), 'utf8').trim().split('\n').slice(1)
      .map((l) => l.split(',').map(Number));
    return (hz) => rows.reduce((best, r) => (Math.abs(r[0] - hz) < Math.abs(best[0] - hz) ? r : best))[1];
  }
  return (hz) => {
    let v = 0;
    for (const l of curve.lines) v += (l.height * l.hwhm_hz ** 2) / ((hz - l.hz) ** 2 + l.hwhm_hz ** 2);
    const b = curve.baseline;
    if (b) {
      v += b.offset + (b.slope_per_khz * (hz - b.ref_hz)) / 1000
        + b.sine_amp * Math.sin((2 * Math.PI * (hz - b.ref_hz)) / b.sine_period_hz);
    }
    return v;
  };
}

// Local maxima whose prominence (height above the higher of the lowest points
// that separate them from anything taller) is at least `minimum`; a plateau
// counts once, at its middle.
function upwardPeaks(v, minimum) {
  const peaks = [];
  let k = 1;
  while (k < v.length - 1) {
    if (v[k] <= v[k - 1]) { k++; continue; }
    let j = k;
    while (j + 1 < v.length && v[j + 1] === v[k]) j++;
    if (j + 1 < v.length && v[j + 1] < v[k]) {
      let leftLow = v[k];
      for (let l = k - 1; l >= 0 && v[l] <= v[k]; l--) leftLow = Math.min(leftLow, v[l]);
      let rightLow = v[k];
      for (let r = j + 1; r < v.length && v[r] <= v[k]; r++) rightLow = Math.min(rightLow, v[r]);
      if (v[k] - Math.max(leftLow, rightLow) >= minimum) peaks.push(Math.floor((k + j) / 2));
    }
    k = j + 1;
  }
  return peaks;
}

test('peak finder: prominence, plateaus and edges', () => {
  assert.deepEqual(upwardPeaks([0, 5, 0, 1, 0.5, 9, 9, 9, 0], 2), [1, 6]);
  assert.deepEqual(upwardPeaks([0, 5, 4, 6, 0], 1.5), [3]);
  assert.deepEqual(upwardPeaks([0, 5, 4, 6, 0], 0.5), [1, 3]);
  assert.deepEqual(upwardPeaks([3, 2, 1], 0), []);
});

const pictures = readdirSync(spectra).filter((f) => f.endsWith('.bmp')).sort();
// Its axes, tick marks, labels and title are pure black too: the highest dark
// row of many columns is the title, not the curve.
const notCurveOnly = new Set(['ethylacetate_gnuplot_800x400_axes_8bit.bmp']);

test('the pictures of known spectra are all here', () => {
  assert.equal(pictures.length, 16);
});

for (const name of pictures) {
  test(`${name}: traced exactly, and each peak where its line is`, (t) => {
    const side = JSON.parse(readFileSync(join(spectra, name.replace(/\.bmp$/, '.json')), 'utf8'));
    const s = side.settings_for_comparison;
    const lineWidth = s.LineWidth_px;
    const dir = scratch();
    const out = join(dir, 'out.dx');
    const pts = join(dir, 'points.txt');
    const r = run([join(spectra, name), '-o', out, '--points', pts, '--line-width', String(lineWidth),
      '--sf', String(s.SF), '--f1', String(s.F1_hz_first_dark_column), '--f2', String(s.F2_hz_last_dark_column)]);
    assert.equal(r.code, 0, r.stderr);

    // The points: the sidecar's lowest and highest black rows by the rule.
    const tr = side.trace_by_index_rule ?? side.trace;
    const expected = tr.columns.map((c, i) => {
      const first = tr.first_row[i], last = tr.last_row[i];
      return [c, last - first > lineWidth ? last - lineWidth : Math.floor((first + last) / 2)];
    });
    assert.deepEqual(readPoints(pts), expected);

    const d = readJcamp(out);
    assert.equal(d.y.length, nextPow2(side.bitmap.width), 'SI defaults to the width rounded up to a power of two');
    if (notCurveOnly.has(name)) return;

    // The spectrum in the picture's own units: pixels across, intensity up.
    const mx = side.mapping.X_of_hz, my = side.mapping.Y_of_intensity;
    const columnOf = (hz) => mx.a + mx.b * hz;
    const intensity = d.y.map((y) => (y + 0.5 - my.a) / my.b);
    const curve = JSON.parse(readFileSync(join(spectra, side.curve_file), 'utf8'));
    const trueAt = truth(curve);
    const up = curve.lines.filter((l) => l.height > 0);
    const peaks = upwardPeaks(intensity, 0.05 * Math.max(...intensity));
    assert.ok(peaks.length >= 3, `${peaks.length} peaks`);
    let worstPosition = 0, worstHeight = 0;
    for (const k of peaks) {
      const at = columnOf(d.x[k]);
      // Lines closer together than the tolerance are one peak in a picture;
      // its top is the tallest of them.
      const near = up.filter((l) => Math.abs(columnOf(l.hz) - at) <= 1.5);
      assert.ok(near.length > 0, `peak at ${d.x[k].toFixed(1)} Hz (column ${at.toFixed(1)}) has no line within 1.5 px`);
      const line = near.reduce((a, b) => (trueAt(b.hz) > trueAt(a.hz) ? b : a));
      const position = Math.abs(columnOf(line.hz) - at);
      const height = (intensity[k] - trueAt(line.hz)) / trueAt(line.hz);
      worstPosition = Math.max(worstPosition, position);
      worstHeight = Math.max(worstHeight, Math.abs(height));
      assert.ok(Math.abs(height) <= 0.05,
        `peak of the line at ${line.hz} Hz: ${intensity[k].toFixed(4)}, true ${trueAt(line.hz).toFixed(4)}`);
    }
    // And no clearly separate line of some height is missing.
    for (const l of up) {
      if (trueAt(l.hz) < 0.2) continue;
      const alone = curve.lines.every((m) => m === l || Math.abs(columnOf(m.hz) - columnOf(l.hz)) >= 4 + lineWidth);
      if (!alone) continue;
      assert.ok(peaks.some((k) => Math.abs(columnOf(d.x[k]) - columnOf(l.hz)) <= 1.5), `no peak at the line at ${l.hz} Hz`);
    }
    t.diagnostic(`${name}: ${peaks.length} peaks, worst position ${worstPosition.toFixed(2)} px, `
      + `worst height ${(100 * worstHeight).toFixed(2)} %`);
  });
}

test('--si and --line-width are taken over', () => {
  const dir = scratch();
  const picture = join(spectra, 'ethanol_800x400_lw1_noaa_core1bit.bmp');
  const out = join(dir, 'si.dx');
  const pts = join(dir, 'p.txt');
  assert.equal(run([picture, '--si', '300', '-o', out, '--points', pts, '--line-width', '0']).code, 0);
  assert.equal(readJcamp(out).y.length, 300);
  const side = JSON.parse(readFileSync(picture.replace(/\.bmp$/, '.json'), 'utf8'));
  const middle = side.trace.columns.map((c, i) => [c, Math.floor((side.trace.first_row[i] + side.trace.last_row[i]) / 2)]);
  assert.deepEqual(readPoints(pts), middle);
});

// A bitmap file with a 40-byte header, built here byte by byte.
function bitmap({ width, height, bits, palette = [], pixels }) {
  const table = Buffer.alloc(palette.length * 4);
  palette.forEach(([r, g, b], i) => { table[4 * i] = b; table[4 * i + 1] = g; table[4 * i + 2] = r; });
  const head = Buffer.alloc(54);
  head.write('BM', 0, 'latin1');
  head.writeUInt32LE(54 + table.length + pixels.length, 2);
  head.writeUInt32LE(54 + table.length, 10);
  head.writeUInt32LE(40, 14);
  head.writeInt32LE(width, 18);
  head.writeInt32LE(height, 22);
  head.writeUInt16LE(1, 26);
  head.writeUInt16LE(bits, 28);
  head.writeUInt32LE(palette.length, 46);
  return Buffer.concat([head, table, pixels]);
}

test('bitmaps that cannot become spectra: exit codes and one clear message each', () => {
  const dir = scratch();
  const file = (name, bytes) => { const p = join(dir, name); writeFileSync(p, bytes); return p; };
  const deep = run([file('deep.bmp', bitmap({ width: 4, height: 2, bits: 16, pixels: Buffer.alloc(16) })), '-o', join(dir, 'a.dx')]);
  assert.equal(deep.code, 4);
  assert.match(deep.stderr, /colour depth cannot be traced/);
  assert.doesNotMatch(deep.stderr, /No curve/);
  assert.ok(!existsSync(join(dir, 'a.dx')));

  const white = run([file('white.bmp', bitmap({ width: 4, height: 2, bits: 24, pixels: Buffer.alloc(24, 255) })), '-o', join(dir, 'b.dx')]);
  assert.equal(white.code, 4);
  assert.match(white.stderr, /No curve was found/);

  const whole = bitmap({ width: 8, height: 8, bits: 8, palette: [[255, 255, 255], [0, 0, 0]], pixels: Buffer.alloc(64, 1) });
  const cut = run([file('cut.bmp', whole.subarray(0, whole.length - 1)), '-o', join(dir, 'c.dx')]);
  assert.equal(cut.code, 3);
  assert.match(cut.stderr, /Could not convert bitmap: Could not open DIB file/);
  assert.equal(run([file('whole.bmp', whole), '-o', join(dir, 'c.dx')]).code, 0);

  const junk = run([file('junk.bmp', Buffer.from('BM\0\0')), '-o', join(dir, 'd.dx')]);
  assert.equal(junk.code, 3);
  assert.match(junk.stderr, /Could not convert bitmap/);
});

test('a progress bar on stderr when it is a terminal, and none otherwise', (t) => {
  const dir = scratch();
  const picture = join(spectra, 'ethanol_8000x300_lw1_noaa_1bit_wide.bmp');
  const plain = run([picture, '-o', join(dir, 'a.dx')]);
  assert.equal(plain.code, 0, plain.stderr);
  assert.doesNotMatch(plain.stderr, /Scanning/);
  // util-linux script gives the converter a terminal.
  const probe = spawnSync('script', ['--version'], { encoding: 'utf8' });
  if (probe.status !== 0) { t.skip('no script command to make a terminal'); return; }
  const command = [converter, picture, '-o', join(dir, 'b.dx')].map((a) => `'${a}'`).join(' ');
  const tty = spawnSync('script', ['-qec', command, '/dev/null'], { encoding: 'utf8' });
  assert.equal(tty.status, 0, tty.stdout);
  const frames = tty.stdout.split('\r').filter((f) => f.startsWith('Scanning bitmap... ['));
  const percents = frames.map((f) => Number(/(\d+)%/.exec(f)[1]));
  assert.deepEqual(percents.slice(0, 3), [0, 1, 2]);
  assert.equal(percents.at(-1), 100);
  assert.equal(percents.length, 101, 'each percentage drawn once');
  assert.match(tty.stdout, /100%\r?\n/);

  // A message during the conversion starts on a line of its own.
  const white = join(dir, 'white.bmp');
  writeFileSync(white, bitmap({ width: 300, height: 2, bits: 24, pixels: Buffer.alloc(1800, 255) }));
  const quiet = spawnSync('script', ['-qec', `'${converter}' '${white}' -o '${join(dir, 'c.dx')}'`, '/dev/null'],
    { encoding: 'utf8' });
  assert.equal(quiet.status, 4, quiet.stdout);
  assert.match(quiet.stdout, /\d%\r?\nquillon-convert: No curve was found/);
});

test('the sample picture is made reproducibly and converts as the run command does', () => {
  const dir = scratch();
  const made = join(dir, 'sample.bmp');
  const r = spawnSync('sh', [join(repo, 'scripts', 'make-sample-bitmap.sh'), made], { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  assert.ok(readFileSync(made).equals(readFileSync(join(repo, 'samples', 'sample-spectrum.bmp'))));

  const out = join(dir, 'sample.dx');
  const c = run([made, '--line-width', '2', '--sf', '400.13', '--f1', '3198.53515625', '--f2', '201.46484375', '-o', out]);
  assert.equal(c.code, 0, c.stderr);
  const d = readJcamp(out);
  assert.equal(d.y.length, 1024);
  // The rows of the picture back to intensity: 20 rows of baseline, 260 per unit.
  const intensity = d.y.map((y) => (y + 0.5 - 20) / 260);
  const peaks = upwardPeaks(intensity, 0.05).map((k) => d.x[k]);
  const lines = [2947.3, 2056.7, 2032.7, 836.3];
  assert.equal(peaks.length, lines.length, `peaks at ${peaks.map((x) => x.toFixed(1))}`);
  const pixelHz = 3000 / 1024;
  peaks.forEach((hz, i) => assert.ok(Math.abs(hz - lines[i]) <= 1.5 * pixelHz, `${hz} Hz for ${lines[i]} Hz`));
});
