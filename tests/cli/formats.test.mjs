// Every output format written by quillon-convert, read back by independent
// readers: the same axis and intensities within each format's precision, the
// header fields of the published layouts, and safe replacing.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, writeFileSync, readFileSync, readdirSync, mkdirSync, existsSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp, readPdata, readPipe, readCsv } from '../readers/readers.mjs';

const converter = process.env.QUILLON_CONVERT;
mkdirSync(process.env.QUILLON_SCRATCH, { recursive: true });
const scratch = () => mkdtempSync(join(process.env.QUILLON_SCRATCH, 'fmt-'));

function run(args, shellPrefix) {
  const r = shellPrefix
    ? spawnSync('sh', ['-c', `${shellPrefix} exec "$0" "$@"`, converter, ...args], { encoding: 'utf8' })
    : spawnSync(converter, args, { encoding: 'utf8' });
  return { code: r.status, signal: r.signal, stderr: r.stderr };
}

// A few Lorentzian lines at known Hz, given as one point per sample: with
// SI+1 points at x = 0..SI the samples are exactly the points' y values.
function makeCase(si, sf, f1, f2) {
  const step = (f2 - f1) / si;
  const lines = [0.3, 0.55, 0.8].map((frac, i) => ({
    hz: f1 + frac * (f2 - f1) + 0.37 * step,
    height: [800000, 300000, 500000][i],
    width: 3 * Math.abs(step),
  }));
  const y = [];
  for (let k = 0; k <= si; k++) {
    const hz = f1 + k * step;
    y.push(Math.round(lines.reduce((s, l) => s + l.height / (1 + ((hz - l.hz) / l.width) ** 2), 0)) + 100);
  }
  return {
    si, sf, f1, f2, step, lines,
    hz: Array.from({ length: si }, (_, k) => f1 + k * step),
    y: y.slice(0, si),
    text: y.map((v, k) => `${k} ${v}`).join('\n') + '\n',
    complex: (si & (si - 1)) === 0,
  };
}

const cases = [
  makeCase(1024, 400.13, 5000, -1000),  // power of two: complex, F1 > F2
  makeCase(1000, 100, 25000, -25000),   // real only
  makeCase(512, 300.5, -2000, 6000),    // complex, F1 < F2
  makeCase(777, 500, -3000, 4500),      // real only, F1 < F2
];

function convert(c, format, name) {
  const dir = scratch();
  const points = join(dir, 'points.txt');
  writeFileSync(points, c.text);
  const out = join(dir, name);
  const r = run([points, '--format', format, '--si', String(c.si), '--sf', String(c.sf),
    '--f1', String(c.f1), '--f2', String(c.f2), '-o', out]);
  assert.equal(r.code, 0, r.stderr);
  assert.deepEqual(readdirSync(dir).sort(), [name, 'points.txt'].sort(), 'nothing else is left beside the output');
  return out;
}

const maxAbs = (a) => a.reduce((m, v) => Math.max(m, Math.abs(v)), 0);
function assertClose(actual, expected, tol, what) {
  assert.equal(actual.length, expected.length, `${what}: length`);
  for (let i = 0; i < expected.length; i++) {
    if (!(Math.abs(actual[i] - expected[i]) <= tol)) {
      assert.fail(`${what}[${i}] = ${actual[i]}, expected ${expected[i]} within ${tol}`);
    }
  }
}
// Storage order of the folder and NMRPipe formats: highest frequency first.
const highToLow = (c, a) => (c.step > 0 ? [...a].reverse() : a);

// The dispersion of each line: negative above it, positive below it.
function assertDispersion(c, imag, what) {
  const peak = Math.max(...c.lines.map((l) => l.height));
  for (const l of c.lines) {
    const at = (hz) => imag[Math.round((hz - c.f1) / c.step)];
    assert.ok(at(l.hz + l.width) < -0.3 * l.height, `${what}: dispersion above the line at ${l.hz} Hz`);
    assert.ok(at(l.hz - l.width) > 0.3 * l.height, `${what}: dispersion below the line at ${l.hz} Hz`);
    assert.ok(Math.abs(at(l.hz)) < 0.2 * peak, `${what}: dispersion crosses zero at the line`);
  }
}

// The imaginary part as the text table states it, to compare the others with.
const imagFromCsv = new Map();
function csvImag(c) {
  if (!imagFromCsv.has(c)) imagFromCsv.set(c, readCsv(convert(c, 'csv', 'i.csv')).imag);
  return imagFromCsv.get(c);
}

for (const c of cases) {
  const label = `SI ${c.si}, F1 ${c.f1}, F2 ${c.f2}`;

  for (const format of ['jcamp', 'jcamp-dif']) {
    test(`${format} reads back with jcampconverter (${label})`, () => {
      const out = convert(c, format, 's.dx');
      const d = readJcamp(out);
      assert.equal(d.info['DATACLASS'], c.complex ? 'NTUPLES' : 'XYDATA');
      assert.equal(d.sf, c.sf);
      assertClose(d.x, c.hz, 1e-6 * Math.abs(c.step), 'x');
      assertClose(d.y, c.y, 1e-9 * maxAbs(c.y), 'y');
      assert.equal(d.spectra.length, c.complex ? 2 : 1);
      if (c.complex) {
        const page = d.spectra[1];
        const imag = Array.from(page.data.y);
        const x = Array.from(page.data.x, (v) => (page.xUnits === 'PPM' ? v * c.sf : v));
        assertClose(x, c.hz, 1e-6 * Math.abs(c.step), 'imaginary page x');
        const ref = csvImag(c);
        assertClose(imag, ref, 1e-8 * maxAbs(ref), 'imaginary page y');
        assertDispersion(c, imag, format);
      }
      const text = readFileSync(out, 'latin1');
      for (const line of text.split('\n')) assert.ok(line.length <= 80, `line over 80 characters: ${line}`);
      assert.match(text, /^##TITLE= s\.dx\n##JCAMP-DX= 5\.01\n/);
    });
  }

  test(`pdata folder matches the published layout (${label})`, () => {
    const out = convert(c, 'pdata', 'exp');
    const d = readPdata(out);
    const p = d.procs.values, a = d.acqus.values;
    assert.match(d.procs.firstLine, /^##TITLE= /);
    assert.match(d.acqus.firstLine, /^##TITLE= /);
    assert.equal(d.procs.lines.filter((l) => l !== '').at(-1), '##END=');
    assert.equal(d.acqus.lines.filter((l) => l !== '').at(-1), '##END=');
    const width = Math.abs(c.f2 - c.f1);
    const highest = c.step > 0 ? c.f1 + (c.si - 1) * c.step : c.f1;
    for (const key of ['SI', 'XDIM', 'FTSIZE', 'STSI']) assert.equal(Number(p[key]), c.si, key);
    assert.equal(Number(p.SF), c.sf);
    assert.ok(Math.abs(Number(p.OFFSET) - highest / c.sf) < 1e-12, `OFFSET ${p.OFFSET}`);
    assert.equal(Number(p.SW_p), width);
    for (const key of ['BYTORDP', 'DTYPP', 'STSR', 'SR', 'MC2', 'PHC0', 'PHC1']) assert.equal(p[key], '0', key);
    assert.equal(p.AXNUC, '<1H>');
    const nc = Number(p.NC_proc);
    assert.ok(Number.isInteger(nc));
    // acqus agrees with procs.
    assert.equal(Number(a.BF1), c.sf);
    assert.equal(Number(a.SW_h), width);
    assert.ok(Math.abs(Number(a.O1) - (highest - width / 2)) < 1e-6);
    assert.ok(Math.abs(Number(a.SW) - width / Number(a.SFO1)) < 1e-9);
    assert.equal(Number(a.TD), 2 * c.si);
    assert.equal(a.AQ_mod, '3');
    assert.equal(a.NUC1, '<1H>');
    assert.equal(a.BYTORDA, '0');
    assert.ok(Math.abs(Number(a.DATE) - Date.now() / 1000) < 600, 'DATE is the time of writing');
    assert.equal(readFileSync(`${out}/acqu`, 'latin1'), readFileSync(`${out}/acqus`, 'latin1'));
    assert.equal(readFileSync(`${out}/pdata/1/proc`, 'latin1'), readFileSync(`${out}/pdata/1/procs`, 'latin1'));
    // Both axis routes give the samples, highest frequency first.
    assertClose(d.hz, highToLow(c, c.hz), 1e-6, 'procs axis');
    assertClose(d.hzAcqus, highToLow(c, c.hz), 1e-6, 'acqus axis');
    // Integers in (2^29, 2^30] over both parts, scaled by 2^NC_proc.
    const raw = d.rawReal.concat(d.rawImag ?? []);
    assert.ok(maxAbs(raw) > 2 ** 29 && maxAbs(raw) <= 2 ** 30, `largest integer ${maxAbs(raw)}`);
    assertClose(d.real, highToLow(c, c.y), 2 ** nc, '1r');
    assert.equal(d.imag !== null, c.complex, '1i only for a complex spectrum');
    if (c.complex) {
      const ref = highToLow(c, csvImag(c));
      assertClose(d.imag, ref, 2 ** nc + 1e-8 * maxAbs(ref), '1i');
      assertDispersion(c, highToLow(c, d.imag), 'pdata');
    }
  });

  test(`NMRPipe file matches the published layout (${label})`, () => {
    const d = readPipe(convert(c, 'nmrpipe', 's.ft1'));
    const h = d.header;
    const width = Math.abs(c.f2 - c.f1);
    const f32 = Math.fround;
    const expectWords = {
      0: 0, 1: 4008636160, 2: f32(2.345), 9: 1, 15: 1, 32: 1, 24: 2, 25: 1, 26: 3, 27: 4, 55: 1,
      56: c.complex ? 0 : 1, 57: 0, 79: Math.floor(c.si / 2) + 1, 95: c.si, 96: c.si, 97: c.si, 99: c.si,
      100: f32(width), 106: c.complex ? 0 : 1, 119: f32(c.sf), 152: 0, 219: 1, 220: 1, 221: 0, 386: c.si,
      399: 1, 442: 1,
    };
    for (const [w, v] of Object.entries(expectWords)) assert.equal(h[w], v, `word ${w}`);
    assert.equal(d.label, '1H');
    const lowest = c.step > 0 ? c.f1 : c.f1 + (c.si - 1) * c.step;
    assert.equal(h[101], f32(lowest), 'FDF2ORIG is the last point');
    // NMRPipe's own rule ties the carrier to the origin.
    assert.ok(Math.abs(h[66] * h[119] - h[100] * (c.si - h[79]) / c.si - h[101]) < 1e-3 * Math.abs(c.step) + 1e-3);
    assertClose(d.hz, highToLow(c, c.hz), 1e-6 * width, 'axis');
    assertClose(d.real, highToLow(c, c.y), 0, 'real');
    assert.equal(d.complex, c.complex);
    if (c.complex) {
      const ref = highToLow(c, csvImag(c));
      assertClose(d.imag, ref, 1e-7 * maxAbs(ref), 'imag');
    }
  });

  test(`text table keeps F1 first (${label})`, () => {
    const d = readCsv(convert(c, 'csv', 's.csv'));
    assert.deepEqual(d.columns, c.complex ? ['hz', 'ppm', 'real', 'imag'] : ['hz', 'ppm', 'real']);
    assertClose(d.hz, c.hz, 5e-7, 'hz');
    assertClose(d.ppm, c.hz.map((v) => v / c.sf), 5e-10, 'ppm');
    assertClose(d.real, c.y, 0, 'real');
    for (const row of d.text) {
      assert.match(row[0], /^-?\d+\.\d{6}$/);
      assert.match(row[1], /^-?\d+\.\d{9}$/);
    }
    if (c.complex) assertDispersion(c, d.imag, 'csv');
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

test('an existing output of any format is replaced only with --force', () => {
  for (const [format, name] of [['pdata', 'exp'], ['nmrpipe', 'x.ft1'], ['csv', 'x.csv'], ['jcamp-dif', 'x.dx']]) {
    const c = cases[1];
    const out = convert(c, format, name);
    const dir = join(out, '..');
    const before = format === 'pdata' ? readFileSync(`${out}/pdata/1/1r`) : readFileSync(out);
    const other = makeCase(64, 100, 1000, -1000);
    const points = join(dir, 'other.txt');
    writeFileSync(points, other.text);
    const args = [points, '--format', format, '--si', '64', '-o', out];
    const r = run(args);
    assert.equal(r.code, 5, r.stderr);
    assert.match(r.stderr, /exists already/);
    assert.deepEqual(format === 'pdata' ? readFileSync(`${out}/pdata/1/1r`) : readFileSync(out), before);
    assert.equal(run([...args, '--force']).code, 0);
    const after = format === 'pdata' ? readFileSync(`${out}/pdata/1/1r`) : readFileSync(out);
    assert.notDeepEqual(after, before);
    assert.deepEqual(readdirSync(dir).sort(), [name, 'other.txt', 'points.txt'].sort());
  }
});

test('a folder that holds more than a processed spectrum is never replaced', () => {
  const dir = scratch();
  const points = join(dir, 'p.txt');
  writeFileSync(points, '0 0\n10 10\n');
  const data = join(dir, 'data');
  mkdirSync(join(data, 'pdata', '1'), { recursive: true });
  writeFileSync(join(data, 'fid'), 'raw');
  const r = run([points, '-o', `${data}/`, '--force']);
  assert.equal(r.code, 5);
  assert.match(r.stderr, /other files/);
  assert.equal(readFileSync(join(data, 'fid'), 'utf8'), 'raw');
  const home = run([points, '-o', `${dir}/`, '--force']);
  assert.equal(home.code, 5, 'the folder holding the input is not thrown away');
  assert.ok(existsSync(points));
});

test('a write that fails part-way leaves nothing under the name and keeps the earlier file', () => {
  const c = cases[0];
  const earlier = convert(c, 'csv', 'x.csv');
  const dir = join(earlier, '..');
  const before = readFileSync(earlier);
  // Two points make a small point log but a large spectrum.
  writeFileSync(join(dir, 'two.txt'), '0 0\n4096 1000\n');
  const args = (format, out) => [join(dir, 'two.txt'), '--format', format, '--si', '4096', '-o', out];
  // The system refuses bytes beyond 8 KiB; the signal that would end the
  // process is ignored, so the write itself fails.
  const limited = "trap '' XFSZ; ulimit -f 16;";
  for (const format of ['jcamp', 'jcamp-dif', 'pdata', 'nmrpipe', 'csv']) {
    const fresh = join(dir, `fresh-${format}`);
    const r = run(args(format, fresh), limited);
    assert.equal(r.code, 5, `${format}: ${r.stderr}`);
    assert.match(r.stderr, /Cannot write the spectrum/);
    assert.equal(existsSync(fresh), false, `${format}: no partial output`);
  }
  const r = run([...args('csv', earlier), '--force'], limited);
  assert.equal(r.code, 5);
  assert.deepEqual(readFileSync(earlier), before);
  assert.deepEqual(readdirSync(dir).sort(), ['points.txt', 'two.txt', 'x.csv']);
  assert.ok(statSync(earlier).size === before.length);
});
