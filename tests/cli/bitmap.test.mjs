// quillon-convert on bitmaps: pictures of known spectra made by other plotters
// traced exactly and turned into spectra whose peaks are where the lines are,
// the exit codes and messages, the progress bar, and the sample.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, readFileSync, readdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { readJcamp } from '../readers/readers.mjs';
import { assertClose, bitmap, converter, data, put, run, scratch } from './support.mjs';

const spectra = join(data, 'spectra');
const points = (path) => readFileSync(path, 'utf8').trim().split('\n').map((l) => l.split(' ').map(Number));
const nextPow2 = (n) => 2 ** Math.ceil(Math.log2(n));

// The true spectrum of a sidecar: the curve the plotter was given.
function truth(curve) {
  if (curve.plotted_polyline.values_file) {
    const rows = readFileSync(join(spectra, curve.plotted_polyline.values_file), 'utf8').trim().split('\n').slice(1)
      .map((l) => l.split(',').map(Number));
    return (hz) => rows.reduce((best, r) => (Math.abs(r[0] - hz) < Math.abs(best[0] - hz) ? r : best))[1];
  }
  const b = curve.baseline;
  return (hz) => curve.lines.reduce((v, l) => v + (l.height * l.hwhm_hz ** 2) / ((hz - l.hz) ** 2 + l.hwhm_hz ** 2), 0)
    + (b ? b.offset + (b.slope_per_khz * (hz - b.ref_hz)) / 1000
      + b.sine_amp * Math.sin((2 * Math.PI * (hz - b.ref_hz)) / b.sine_period_hz) : 0);
}

// Local maxima whose prominence (height above the higher of the lowest points
// that separate them from anything taller) is at least `minimum`; a plateau
// counts once, at its middle.
function upwardPeaks(v, minimum) {
  const peaks = [];
  for (let k = 1; k < v.length - 1;) {
    let j = k;
    while (j + 1 < v.length && v[j + 1] === v[k]) j++;
    if (v[k] > v[k - 1] && j + 1 < v.length && v[j + 1] < v[k]) {
      let left = v[k], right = v[k];
      for (let l = k - 1; l >= 0 && v[l] <= v[k]; l--) left = Math.min(left, v[l]);
      for (let r = j + 1; r < v.length && v[r] <= v[k]; r++) right = Math.min(right, v[r]);
      if (v[k] - Math.max(left, right) >= minimum) peaks.push(Math.floor((k + j) / 2));
    }
    k = j + 1;
  }
  return peaks;
}

const pictures = readdirSync(spectra).filter((f) => f.endsWith('.bmp')).sort();
// Its axes, tick marks, labels and title are pure black too: the highest dark
// row of many columns is the title, not the curve.
const notCurveOnly = new Set(['ethylacetate_gnuplot_800x400_axes_8bit.bmp']);

for (const name of pictures) {
  test(`${name}: traced exactly, and each peak where its line is`, (t) => {
    assert.equal(pictures.length, 16, 'the pictures of known spectra are all here');
    const side = JSON.parse(readFileSync(join(spectra, name.replace(/\.bmp$/, '.json')), 'utf8'));
    const s = side.settings_for_comparison;
    const lineWidth = s.LineWidth_px;
    const dir = scratch();
    const [out, pts] = [join(dir, 'out.dx'), join(dir, 'points.txt')];
    const r = run([join(spectra, name), '-o', out, '--points', pts, '--line-width', String(lineWidth),
      '--sf', String(s.SF), '--f1', String(s.F1_hz_first_dark_column), '--f2', String(s.F2_hz_last_dark_column)]);
    assert.equal(r.code, 0, r.stderr);
    // The points: the sidecar's lowest and highest black rows by the rule.
    const tr = side.trace_by_index_rule ?? side.trace;
    assert.deepEqual(points(pts), tr.columns.map((c, i) => {
      const first = tr.first_row[i], last = tr.last_row[i];
      return [c, last - first > lineWidth ? last - lineWidth : Math.floor((first + last) / 2)];
    }));
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
      const height = (intensity[k] - trueAt(line.hz)) / trueAt(line.hz);
      worstPosition = Math.max(worstPosition, Math.abs(columnOf(line.hz) - at));
      worstHeight = Math.max(worstHeight, Math.abs(height));
      assert.ok(Math.abs(height) <= 0.05, `line at ${line.hz} Hz: ${intensity[k]}, true ${trueAt(line.hz)}`);
    }
    // And no clearly separate line of some height is missing.
    for (const l of up.filter((l) => trueAt(l.hz) >= 0.2)) {
      if (curve.lines.some((m) => m !== l && Math.abs(columnOf(m.hz) - columnOf(l.hz)) < 4 + lineWidth)) continue;
      assert.ok(peaks.some((k) => Math.abs(columnOf(d.x[k]) - columnOf(l.hz)) <= 1.5), `no peak at ${l.hz} Hz`);
    }
    t.diagnostic(`${name}: ${peaks.length} peaks, worst position ${worstPosition.toFixed(2)} px, `
      + `worst height ${(100 * worstHeight).toFixed(2)} %`);
  });
}

test('bitmaps that cannot become spectra: exit codes and one clear message each', () => {
  const palette = [[255, 255, 255], [0, 0, 0]];
  const whole = bitmap({ width: 8, height: 8, bits: 8, palette, pixels: Buffer.alloc(64, 1) });
  assert.equal(run([put('whole.bmp', whole), '-o', `${scratch()}/w.dx`]).code, 0);
  // A few bytes of runs that claim a huge picture.
  const claim = (width, height, bits, runs) => {
    const b = bitmap({ width, height, bits, palette, pixels: Buffer.from(runs) });
    b.writeUInt32LE(bits === 8 ? 1 : 2, 30);
    b.writeUInt32LE(runs.length, 34);
    return b;
  };
  assert.equal(run([put('claim.bmp', claim(16383, 65535, 4, [3, 0x11, 0, 1])), '-o', `${scratch()}/c.dx`]).code, 0);
  for (const [bytes, code, message] of [
    [bitmap({ width: 4, height: 2, bits: 16, pixels: Buffer.alloc(16) }), 4, /^[^\n]*depth cannot be traced[^\n]*\n$/],
    [bitmap({ width: 4, height: 2, bits: 24, pixels: Buffer.alloc(24, 255) }), 4, /No curve was found/],
    [whole.subarray(0, whole.length - 1), 3, /Could not convert bitmap: Could not open DIB file/],
    [Buffer.from('BM\0\0'), 3, /Could not convert bitmap/],
    [claim(65535, 65535, 8, [2, 1, 0, 1]), 3,
      /^quillon-convert: The picture has 65535 x 65535 pixels, more than the 1073 million pixels a picture may have\.\n$/],
  ]) {
    const input = put('in.bmp', bytes);
    const r = run([input, '-o', `${input}.dx`]);
    assert.equal(r.code, code, r.stderr);
    assert.match(r.stderr, message);
    assert.ok(!existsSync(`${input}.dx`));
  }
});

test('a progress bar on stderr when it is a terminal, and none otherwise', (t) => {
  const picture = join(spectra, 'ethanol_8000x300_lw1_noaa_1bit_wide.bmp');
  const plain = run([picture, '-o', `${scratch()}/a.dx`]);
  assert.equal(plain.code, 0, plain.stderr);
  assert.doesNotMatch(plain.stderr, /Scanning/);
  // util-linux script gives the converter a terminal.
  if (spawnSync('script', ['--version']).status !== 0) return t.skip('no script command to make a terminal');
  const onTerminal = (input, out) => spawnSync('script', ['-qec', `'${converter}' '${input}' -o '${out}'`, '/dev/null'],
    { encoding: 'utf8' });
  const tty = onTerminal(picture, `${scratch()}/b.dx`);
  assert.equal(tty.status, 0, tty.stdout);
  const percents = tty.stdout.split('\r').filter((f) => f.startsWith('Scanning bitmap... ['))
    .map((f) => Number(/(\d+)%/.exec(f)[1]));
  assert.deepEqual(percents, Array.from({ length: 101 }, (_, i) => i), 'each percentage drawn once');
  assert.match(tty.stdout, /100%\r?\n/);
  // A message during the conversion starts on a line of its own.
  const white = put('white.bmp', bitmap({ width: 300, height: 2, bits: 24, pixels: Buffer.alloc(1800, 255) }));
  const quiet = onTerminal(white, `${white}.dx`);
  assert.equal(quiet.status, 4, quiet.stdout);
  assert.match(quiet.stdout, /\d%\r?\nquillon-convert: No curve was found/);
});

test('the sample picture is made reproducibly and converts as the run command does', () => {
  const made = join(scratch(), 'sample.bmp');
  const repo = dirname(dirname(data));
  const r = spawnSync('sh', [join(repo, 'scripts', 'make-sample-bitmap.sh'), made], { encoding: 'utf8' });
  assert.equal(r.status, 0, r.stderr);
  assert.ok(readFileSync(made).equals(readFileSync(join(repo, 'samples', 'sample-spectrum.bmp'))));
  const c = run([made, '--line-width', '2', '--sf', '400.13', '--f1', '3198.53515625', '--f2', '201.46484375',
    '-o', `${made}.dx`]);
  assert.equal(c.code, 0, c.stderr);
  // Its lines, from the rows of the picture: 20 rows of baseline, 260 per unit.
  const d = readJcamp(`${made}.dx`);
  const peaks = upwardPeaks(d.y.map((y) => (y + 0.5 - 20) / 260), 0.05).map((k) => d.x[k]);
  assertClose(peaks, [2947.3, 2056.7, 2032.7, 836.3], (1.5 * 3000) / 1024, 'peaks (Hz)');
});
