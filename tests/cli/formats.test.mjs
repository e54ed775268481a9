// Every output format written by quillon-convert, read back by independent
// readers: the same axis and intensities within each format's precision, and
// the header fields of the published layouts.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp, readPdata, readPipe, readCsv } from '../readers/readers.mjs';
import { assertClose, put, run } from './support.mjs';

// A few Lorentzian lines at known Hz, given as one point per sample: with
// SI+1 points at x = 0..SI the samples are exactly the points' y values.
function makeCase(si, sf, f1, f2) {
  const step = (f2 - f1) / si;
  const lines = [0.3, 0.55, 0.8].map((frac, i) => ({
    hz: f1 + frac * (f2 - f1) + 0.37 * step, height: [800000, 300000, 500000][i], width: 3 * Math.abs(step),
  }));
  const y = Array.from({ length: si + 1 }, (_, k) => Math.round(
    lines.reduce((s, l) => s + l.height / (1 + ((f1 + k * step - l.hz) / l.width) ** 2), 0)) + 100);
  return {
    si, sf, f1, f2, step, lines, y: y.slice(0, si), complex: (si & (si - 1)) === 0,
    hz: Array.from({ length: si }, (_, k) => f1 + k * step),
    text: y.map((v, k) => `${k} ${v}`).join('\n') + '\n',
  };
}
const cases = [
  makeCase(1024, 400.13, 5000, -1000),  // power of two: complex, F1 > F2
  makeCase(1000, 100, 25000, -25000),   // real only
  makeCase(512, 300.5, -2000, 6000),    // complex, F1 < F2
  makeCase(777, 500, -3000, 4500),      // real only, F1 < F2
];

function convert(c, format, name) {
  const points = put('points.txt', c.text);
  const out = join(points, '..', name);
  const r = run([points, '--format', format, '--si', String(c.si), '--sf', String(c.sf),
    '--f1', String(c.f1), '--f2', String(c.f2), '-o', out]);
  assert.equal(r.code, 0, r.stderr);
  assert.deepEqual(readdirSync(join(out, '..')).sort(), [name, 'points.txt'].sort(), 'nothing else is left');
  return out;
}

const maxAbs = (a) => a.reduce((m, v) => Math.max(m, Math.abs(v)), 0);
// Storage order of the folder and NMRPipe formats: highest frequency first.
const highToLow = (c, a) => (c.step > 0 ? [...a].reverse() : a);

// The dispersion of each line: negative above it, positive below it.
function assertDispersion(c, imag, what) {
  const peak = Math.max(...c.lines.map((l) => l.height));
  const at = (hz) => imag[Math.round((hz - c.f1) / c.step)];
  for (const l of c.lines) {
    assert.ok(at(l.hz + l.width) < -0.3 * l.height, `${what}: dispersion above the line at ${l.hz} Hz`);
    assert.ok(at(l.hz - l.width) > 0.3 * l.height, `${what}: dispersion below the line at ${l.hz} Hz`);
    assert.ok(Math.abs(at(l.hz)) < 0.2 * peak, `${what}: dispersion crosses zero at the line`);
  }
}

for (const c of cases) {
  test(`every format reads back (SI ${c.si}, F1 ${c.f1}, F2 ${c.f2})`, () => {
    // The text table: F1 first, the digits its columns promise.
    const csv = readCsv(convert(c, 'csv', 's.csv'));
    assert.deepEqual(csv.columns, c.complex ? ['hz', 'ppm', 'real', 'imag'] : ['hz', 'ppm', 'real']);
    assertClose(csv.hz, c.hz, 5e-7, 'hz');
    assertClose(csv.ppm, c.hz.map((v) => v / c.sf), 5e-10, 'ppm');
    assertClose(csv.real, c.y, 0, 'real');
    for (const row of csv.text) assert.match(`${row[0]} ${row[1]}`, /^-?\d+\.\d{6} -?\d+\.\d{9}$/);
    if (c.complex) assertDispersion(c, csv.imag, 'csv');
    const imag = csv.imag;  // the others are compared with it

    for (const format of ['jcamp', 'jcamp-dif']) {
      const out = convert(c, format, 's.dx');
      const d = readJcamp(out);
      assert.equal(d.info.DATACLASS, c.complex ? 'NTUPLES' : 'XYDATA');
      assert.equal(d.sf, c.sf);
      assertClose(d.x, c.hz, 1e-6 * Math.abs(c.step), `${format} x`);
      assertClose(d.y, c.y, 1e-9 * maxAbs(c.y), `${format} y`);
      assert.equal(d.spectra.length, c.complex ? 2 : 1);
      if (c.complex) {
        const page = d.spectra[1];
        assertClose(Array.from(page.data.x, (v) => (page.xUnits === 'PPM' ? v * c.sf : v)), c.hz,
          1e-6 * Math.abs(c.step), `${format} imaginary x`);
        assertClose(Array.from(page.data.y), imag, 1e-8 * maxAbs(imag), `${format} imaginary y`);
      }
      const text = readFileSync(out, 'latin1');
      assert.ok(text.split('\n').every((line) => line.length <= 80), 'lines of at most 80 characters');
      assert.match(text, /^##TITLE= s\.dx\n##JCAMP-DX= 5\.01\n/);
    }

    const width = Math.abs(c.f2 - c.f1);
    const highest = c.step > 0 ? c.f1 + (c.si - 1) * c.step : c.f1;
    const folder = readPdata(convert(c, 'pdata', 'exp'));
    const p = folder.procs.values, a = folder.acqus.values;
    for (const file of [folder.procs, folder.acqus]) {
      assert.match(file.lines[0], /^##TITLE= /);
      assert.equal(file.lines.filter((l) => l !== '').at(-1), '##END=');
    }
    for (const key of ['SI', 'XDIM', 'FTSIZE', 'STSI']) assert.equal(Number(p[key]), c.si, key);
    for (const key of ['BYTORDP', 'DTYPP', 'STSR', 'SR', 'MC2', 'PHC0', 'PHC1', 'BYTORDA']) {
      assert.equal(p[key] ?? a[key], '0', key);
    }
    assert.deepEqual([Number(p.SF), Number(p.SW_p), p.AXNUC], [c.sf, width, '<1H>']);
    assert.ok(Math.abs(Number(p.OFFSET) - highest / c.sf) < 1e-12, `OFFSET ${p.OFFSET}`);
    // acqus agrees with procs.
    assert.deepEqual([Number(a.BF1), Number(a.SW_h), Number(a.TD), a.AQ_mod, a.NUC1],
      [c.sf, width, 2 * c.si, '3', '<1H>']);
    assert.ok(Math.abs(Number(a.O1) - (highest - width / 2)) < 1e-6);
    assert.ok(Math.abs(Number(a.SW) - width / Number(a.SFO1)) < 1e-9);
    assert.ok(Math.abs(Number(a.DATE) - Date.now() / 1000) < 600, 'DATE is the time of writing');
    for (const f of ['acqu', 'pdata/1/proc']) {
      assert.equal(readFileSync(`${folder.dir}/${f}`, 'latin1'), readFileSync(`${folder.dir}/${f}s`, 'latin1'));
    }
    // Both axis routes give the samples, highest frequency first; integers
    // in (2^29, 2^30] over both parts, scaled by 2^NC_proc.
    assertClose(folder.hz, highToLow(c, c.hz), 1e-6, 'procs axis');
    assertClose(folder.hzAcqus, highToLow(c, c.hz), 1e-6, 'acqus axis');
    const largest = maxAbs(folder.rawReal.concat(folder.rawImag ?? []));
    assert.ok(largest > 2 ** 29 && largest <= 2 ** 30, `largest integer ${largest}`);
    const nc = Number(p.NC_proc);
    assertClose(folder.real, highToLow(c, c.y), 2 ** nc, '1r');
    assert.equal(folder.imag !== null, c.complex, '1i only for a complex spectrum');
    if (c.complex) assertClose(folder.imag, highToLow(c, imag), 2 ** nc + 1e-8 * maxAbs(imag), '1i');

    const pipe = readPipe(convert(c, 'nmrpipe', 's.ft1'));
    const h = pipe.header, f32 = Math.fround;
    const words = {
      0: 0, 1: 4008636160, 2: f32(2.345), 9: 1, 15: 1, 32: 1, 24: 2, 25: 1, 26: 3, 27: 4, 55: 1,
      56: c.complex ? 0 : 1, 57: 0, 79: Math.floor(c.si / 2) + 1, 95: c.si, 96: c.si, 97: c.si, 99: c.si,
      100: f32(width), 101: f32(c.step > 0 ? c.f1 : c.f1 + (c.si - 1) * c.step), 106: c.complex ? 0 : 1, 119: f32(c.sf),
      152: 0, 219: 1, 220: 1, 221: 0, 386: c.si, 399: 1, 442: 1,
    };
    for (const [w, v] of Object.entries(words)) assert.equal(h[w], v, `word ${w}`);
    assert.equal(pipe.label, '1H');
    // NMRPipe's own rule ties the carrier to the origin (the lowest sample).
    assert.ok(Math.abs(h[66] * h[119] - h[100] * (c.si - h[79]) / c.si - h[101]) < 1e-3 * Math.abs(c.step) + 1e-3);
    assertClose(pipe.hz, highToLow(c, c.hz), 1e-6 * width, 'pipe axis');
    assertClose(pipe.real, highToLow(c, c.y), 0, 'pipe real');
    if (c.complex) assertClose(pipe.imag, highToLow(c, imag), 1e-7 * maxAbs(imag), 'pipe imag');
  });
}

test('the formats agree with each other to the digits they carry', () => {
  const c = cases[0];
  const jcamp = readJcamp(convert(c, 'jcamp', 'a.dx'));
  const csv = readCsv(convert(c, 'csv', 'a.csv'));
  const pipe = readPipe(convert(c, 'nmrpipe', 'a.ft1'));
  const folder = readPdata(convert(c, 'pdata', 'a'));
  assert.equal(Number(jcamp.info.FIRST.split(',')[0]), csv.hz[0]);
  assert.equal(Number(folder.procs.values.OFFSET) * c.sf, csv.hz[0]);
  assert.equal(Number(jcamp.info.LAST.split(',')[0]), c.hz[c.si - 1]);
  assert.equal(pipe.header[101], Math.fround(c.hz[c.si - 1]));
  assert.equal(Number(jcamp.info['.OBSERVEFREQUENCY']), Number(folder.procs.values.SF));
});
