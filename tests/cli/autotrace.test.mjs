// quillon-convert --trace auto: pictures as users have them traced within the
// accuracy targets (scored by the same tool as any picture of a known
// spectrum), the options' refusals, nothing found, the warnings, and the
// calibrated axis of the classic trace.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { bitmap, data, put, run, scratch } from './support.mjs';

const scorer = join(dirname(fileURLToPath(import.meta.url)), '..', 'tools', 'accuracy_cal.py');
const sidecar = (picture) => JSON.parse(readFileSync(picture.replace(/\.bmp$/, '.json'), 'utf8'));

// Two columns a quarter in from each side of the plot area, valued in ppm
// from the sidecar's mapping, as a user reads them off the axis.
function axis(side) {
  const { a, b } = side.mapping.X_of_hz;
  const box = side.mapping.data_box ?? { left_X: 0, right_X: side.bitmap.width };
  const sf = side.settings_for_comparison.SF;
  const cols = [0.25, 0.75].map((f) => Math.round(box.left_X + (box.right_X - box.left_X) * f - 0.5));
  return { sf, option: cols.map((c) => `${c}=${((c + 0.5 - a) / b / sf).toFixed(9)}`).join(',') };
}

const pictures = [
  ['spectra/ethylacetate_gnuplot_800x400_axes_8bit.bmp', 1.5],  // axis, ticks, labels, title
  ['autotrace/ethanol_800x400_lw1_aa_24bit.bmp', 1.5],          // antialiased 1-px line
  ['spectra/dept_800x400_lw1_noaa_1bit.bmp', 1.5],              // peaks down
  ['spectra/noisy_800x400_lw1_noaa_1bit.bmp', 3],               // noise, rolling baseline
  ['autotrace/ethylacetate_gnuplot_800x400_axes_jpeg90.bmp', 1.5],  // JPEG damage
];

for (const [name, p90] of pictures) {
  test(`${name}: traced within the targets`, () => {
    const picture = join(data, name);
    const side = sidecar(picture);
    const { sf, option } = axis(side);
    const out = join(scratch(), 'out.csv');
    const r = run([picture, '--trace', 'auto', '--x-axis', option, '--sf', String(sf), '-o', out]);
    assert.equal(r.code, 0, r.stderr);
    const s = spawnSync('/usr/bin/python3', [scorer, picture.replace(/\.bmp$/, '.json'), '--csv', out], { encoding: 'utf8' });
    assert.equal(s.status, 0, s.stderr);
    const score = JSON.parse(s.stdout);
    assert.ok(score.coverage >= 0.98, `coverage ${score.coverage}`);
    assert.ok(score.err_px_p90 <= p90, `90 % of the trace within ${score.err_px_p90} px`);
    assert.ok(score.peak_pos_err_px_max <= 1.5, `peaks ${score.peak_pos_err_px_max} px off`);
    for (const height of [score.peak_height_err_max, score.neg_peak_height_err_max])
      assert.ok((height ?? 0) <= 0.05, `a peak's height ${height} off`);
  });
}

test('options of the automatic trace that are refused', () => {
  const picture = join(data, 'spectra/dept_800x400_lw1_noaa_1bit.bmp');
  for (const args of [
    ['--trace', 'fancy'], ['--threshold', '256'], ['--color', '12345'], ['--color', 'ff0000:300'],
    ['--color', '000000', '--threshold', '10'], ['--box', '50,50,10,80'], ['--box', '1,2,3'],
    ['--x-axis', '10=5,10=3'], ['--x-axis', '10=5,20=5'], ['--x-axis', '10=5'], ['--x-axis', '10=5,20=x'],
    ['--x-axis', '10=5,20=3', '--f1', '100'], ['--x-unit', 'mhz'],
  ]) {
    const r = run([picture, '-o', join(scratch(), 'out.csv'), ...args]);
    assert.equal(r.code, 2, `${args.join(' ')}: ${r.stderr}`);
  }
});

test('nothing found, and traces that look wrong: the reason or a warning', () => {
  const palette = [[255, 255, 255], [0, 0, 0]];
  // A curve along the picture's bottom edge, with one peak.
  const edge = Buffer.alloc(64 * 32);
  for (let x = 0; x < 64; x++) edge[x] = 1;
  for (let r = 0; r < 20; r++) edge[r * 64 + 20] = 1;
  const cases = [
    [bitmap({ width: 64, height: 32, bits: 8, palette, pixels: Buffer.alloc(64 * 32) }), [], 4,
      /No curve was found in the picture: [^.]+\./],
    [bitmap({ width: 64, height: 32, bits: 8, palette, pixels: edge }), [], 0, /warning: The trace runs along the edge/],
    [bitmap({ width: 64, height: 32, bits: 8, palette, pixels: edge }), ['--x-axis', '0=10,1000=0'], 0,
      /warning: The axis positions 0 and 1000 lie outside the picture/],
  ];
  // The classic trace is warned of the same faults (here, the edge).
  cases.push([bitmap({ width: 64, height: 32, bits: 8, palette, pixels: edge }), ['--trace', 'classic'], 0,
    /warning: The trace runs along the edge/]);
  for (const [picture, args, code, says] of cases) {
    const r = run([put('p.bmp', picture), '--trace', 'auto', '-o', join(scratch(), 'out.csv'), ...args]);
    assert.equal(r.code, code, r.stderr);
    assert.match(r.stderr, says);
  }
});

test('the classic trace with a calibrated axis: F1 and F2 of the first and last dark columns', () => {
  const picture = join(data, 'spectra/ethanol_800x400_lw1_noaa_24bit.bmp');
  const s = sidecar(picture).settings_for_comparison;
  const out = join(scratch(), 'out.csv');
  for (const [unit, scale] of [['ppm', 400.13], ['hz', 1]]) {
    const r = run([picture, '--x-axis', '100=4,700=1', '--x-unit', unit, '--sf', '400.13', '--force', '-o', out]);
    assert.equal(r.code, 0, r.stderr);
    const hz = readFileSync(out, 'utf8').trim().split('\n').slice(1).map((l) => Number(l.split(',')[0]));
    const at = (c) => (4 + ((c - 100) * (1 - 4)) / 600) * scale;
    const step = (at(s.last_dark_column) - at(s.first_dark_column)) / hz.length;
    assert.ok(Math.abs(hz[0] - at(s.first_dark_column)) < 1e-3 * scale, `${unit}: F1 ${hz[0]}`);
    assert.ok(Math.abs(hz.at(-1) - (at(s.last_dark_column) - step)) < 1e-3 * scale, `${unit}: last ${hz.at(-1)}`);
  }
});
