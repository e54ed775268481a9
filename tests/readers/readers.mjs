// Independent readers for the files Quillon writes.
import { readFileSync } from 'node:fs';
import { convert } from 'jcampconverter';

// A JCAMP-DX file as jcampconverter reads it: x in Hz (it converts to ppm by
// the observe frequency, which is undone here), y in intensity units.
export function readJcamp(path) {
  const result = convert(readFileSync(path, 'latin1'), { keepRecordsRegExp: /.*/ });
  const entry = result.flatten[0];
  if (!entry) throw new Error(`jcampconverter found no spectrum in ${path}`);
  const spectrum = entry.spectra[0];
  const sf = Number(entry.info['.OBSERVEFREQUENCY']);
  const toHz = spectrum.xUnits === 'PPM' ? sf : 1;
  return {
    info: entry.info,
    sf,
    xUnits: spectrum.xUnits,
    x: Array.from(spectrum.data.x, (v) => v * toHz),
    y: Array.from(spectrum.data.y),
    spectra: entry.spectra,
  };
}

// A JCAMP-style parameter file (acqus, procs): `##$KEY= value` records, plus
// the first line, which must be the title record.
export function readParameters(path) {
  const lines = readFileSync(path, 'latin1').split(/\r?\n/);
  const values = {};
  for (const line of lines) {
    const m = /^##\$([^=]+)= ?(.*)$/.exec(line);
    if (m) values[m[1]] = m[2];
  }
  return { firstLine: lines[0], values, lines };
}

function int32LE(path) {
  const b = readFileSync(path);
  const out = [];
  for (let i = 0; i + 4 <= b.length; i += 4) out.push(b.readInt32LE(i));
  if (b.length % 4 !== 0) throw new Error(`${path}: ${b.length} bytes is no whole number of int32`);
  return out;
}

// The processed data folder as the published layout defines it: 1r/1i int32
// in BYTORDP order, true value = int * 2^NC_proc, point j at
// OFFSET - j*SW_p/(SF*SI) ppm (point 0 the highest frequency). The axis is
// also computed the way readers that use acqus do: carrier (SFO1-BF1)*1e6 Hz
// at the middle of SW_h.
export function readPdata(dir) {
  const procs = readParameters(`${dir}/pdata/1/procs`);
  const acqus = readParameters(`${dir}/acqus`);
  const p = procs.values;
  if (p.BYTORDP !== '0') throw new Error('only little-endian data are read');
  const scale = 2 ** Number(p.NC_proc);
  const real = int32LE(`${dir}/pdata/1/1r`);
  let imag = null;
  try { imag = int32LE(`${dir}/pdata/1/1i`); } catch (e) { if (e.code !== 'ENOENT') throw e; }
  const si = Number(p.SI), sf = Number(p.SF), swp = Number(p.SW_p), offset = Number(p.OFFSET);
  const a = acqus.values;
  const carrier = (Number(a.SFO1) - Number(a.BF1)) * 1e6;
  const swh = Number(a.SW_h);
  const hz = [], hzAcqus = [];
  for (let j = 0; j < si; j++) {
    hz.push((offset - (j * swp) / (sf * si)) * sf);
    hzAcqus.push(carrier + swh / 2 - (j * swh) / si);
  }
  return {
    procs, acqus, si, sf,
    rawReal: real, rawImag: imag,
    real: real.map((v) => v * scale),
    imag: imag && imag.map((v) => v * scale),
    hz, hzAcqus,
  };
}

// NMRPipe 1D: 512 float32 header words (byte order from word 2 = 2.345),
// then N real values and, when FDF2QUADFLAG is 0, N imaginary ones. Point j
// lies at ORIG + (N-1-j)*SW/N Hz (ORIG is the last point).
export function readPipe(path) {
  const b = readFileSync(path);
  let little = true;
  if (Math.abs(b.readFloatLE(8) - 2.345) > 1e-6) {
    if (Math.abs(b.readFloatBE(8) - 2.345) > 1e-6) throw new Error('no byte-order word');
    little = false;
  }
  const word = (i) => (little ? b.readFloatLE(4 * i) : b.readFloatBE(4 * i));
  const header = Array.from({ length: 512 }, (_, i) => word(i));
  const n = header[99];
  const complex = header[56] === 0;
  const expected = 2048 + 4 * n * (complex ? 2 : 1);
  if (b.length !== expected) throw new Error(`${path}: ${b.length} bytes, expected ${expected}`);
  const data = (first) => Array.from({ length: n }, (_, j) => word(512 + first + j));
  const sw = header[100], orig = header[101];
  return {
    header,
    label: b.subarray(16 * 4, 18 * 4).toString('latin1').replace(/\0+$/, ''),
    n, complex,
    real: data(0),
    imag: complex ? data(n) : null,
    hz: Array.from({ length: n }, (_, j) => orig + ((n - 1 - j) * sw) / n),
  };
}

// The text table: one header line, then numbers separated by commas.
export function readCsv(path) {
  const lines = readFileSync(path, 'latin1').split(/\r?\n/).filter((l) => l !== '');
  const columns = lines[0].split(',');
  const rows = lines.slice(1).map((l) => {
    const cells = l.split(',');
    if (cells.length !== columns.length) throw new Error(`row with ${cells.length} cells: ${l}`);
    return cells;
  });
  const column = (name) => {
    const i = columns.indexOf(name);
    return i < 0 ? null : rows.map((r) => Number(r[i]));
  };
  return { columns, text: rows, hz: column('hz'), ppm: column('ppm'), real: column('real'), imag: column('imag') };
}
