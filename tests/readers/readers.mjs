// Independent readers for the files Quillon writes.
import { readFileSync } from 'node:fs';
import { convert } from 'jcampconverter';

// A JCAMP-DX file as jcampconverter reads it: x in Hz (it converts to ppm by
// the observe frequency, which is undone here), y in intensity units.
export function readJcamp(path) {
  const entry = convert(readFileSync(path, 'latin1'), { keepRecordsRegExp: /.*/ }).flatten[0];
  if (!entry) throw new Error(`jcampconverter found no spectrum in ${path}`);
  const spectrum = entry.spectra[0];
  const sf = Number(entry.info['.OBSERVEFREQUENCY']);
  const toHz = spectrum.xUnits === 'PPM' ? sf : 1;
  return {
    info: entry.info, sf, spectra: entry.spectra,
    x: Array.from(spectrum.data.x, (v) => v * toHz),
    y: Array.from(spectrum.data.y),
  };
}

// A JCAMP-style parameter file (acqus, procs): `##$KEY= value` records.
function readParameters(path) {
  const lines = readFileSync(path, 'latin1').split(/\r?\n/);
  const values = {};
  for (const m of lines.map((l) => /^##\$([^=]+)= ?(.*)$/.exec(l)).filter(Boolean)) values[m[1]] = m[2];
  return { values, lines };
}

function int32LE(path) {
  const b = readFileSync(path);
  if (b.length % 4 !== 0) throw new Error(`${path}: ${b.length} bytes is no whole number of int32`);
  return Array.from({ length: b.length / 4 }, (_, i) => b.readInt32LE(4 * i));
}

// The processed data folder as the published layout defines it: 1r/1i int32
// in BYTORDP order, true value = int * 2^NC_proc, point j at
// OFFSET - j*SW_p/(SF*SI) ppm (point 0 the highest frequency). The axis is
// also computed the way readers that use acqus do: carrier (SFO1-BF1)*1e6 Hz
// at the middle of SW_h.
export function readPdata(dir) {
  const procs = readParameters(`${dir}/pdata/1/procs`);
  const acqus = readParameters(`${dir}/acqus`);
  const p = procs.values, a = acqus.values;
  if (p.BYTORDP !== '0') throw new Error('only little-endian data are read');
  const scale = 2 ** Number(p.NC_proc);
  const rawReal = int32LE(`${dir}/pdata/1/1r`);
  let rawImag = null;
  try { rawImag = int32LE(`${dir}/pdata/1/1i`); } catch (e) { if (e.code !== 'ENOENT') throw e; }
  const si = Number(p.SI), sf = Number(p.SF), swh = Number(a.SW_h);
  const carrier = (Number(a.SFO1) - Number(a.BF1)) * 1e6;
  return {
    dir, procs, acqus, rawReal, rawImag,
    real: rawReal.map((v) => v * scale),
    imag: rawImag && rawImag.map((v) => v * scale),
    hz: Array.from({ length: si }, (_, j) => (Number(p.OFFSET) - (j * Number(p.SW_p)) / (sf * si)) * sf),
    hzAcqus: Array.from({ length: si }, (_, j) => carrier + swh / 2 - (j * swh) / si),
  };
}

// NMRPipe 1D: 512 float32 header words (byte order from word 2 = 2.345),
// then N real values and, when FDF2QUADFLAG is 0, N imaginary ones. Point j
// lies at ORIG + (N-1-j)*SW/N Hz (ORIG is the last point).
export function readPipe(path) {
  const b = readFileSync(path);
  const little = Math.abs(b.readFloatLE(8) - 2.345) < 1e-6;
  if (!little && Math.abs(b.readFloatBE(8) - 2.345) > 1e-6) throw new Error('no byte-order word');
  const word = (i) => (little ? b.readFloatLE(4 * i) : b.readFloatBE(4 * i));
  const header = Array.from({ length: 512 }, (_, i) => word(i));
  const n = header[99], complex = header[56] === 0;
  if (b.length !== 2048 + 4 * n * (complex ? 2 : 1)) throw new Error(`${path}: ${b.length} bytes`);
  const data = (first) => Array.from({ length: n }, (_, j) => word(512 + first + j));
  return {
    header, complex,
    label: b.subarray(16 * 4, 18 * 4).toString('latin1').replace(/\0+$/, ''),
    real: data(0),
    imag: complex ? data(n) : null,
    hz: Array.from({ length: n }, (_, j) => header[101] + ((n - 1 - j) * header[100]) / n),
  };
}

// The text table: one header line, then numbers separated by commas.
export function readCsv(path) {
  const lines = readFileSync(path, 'latin1').split(/\r?\n/).filter((l) => l !== '');
  const columns = lines[0].split(',');
  const text = lines.slice(1).map((l) => l.split(','));
  if (text.some((cells) => cells.length !== columns.length)) throw new Error(`${path}: ragged rows`);
  const column = (name) => (columns.includes(name) ? text.map((r) => Number(r[columns.indexOf(name)])) : null);
  return { columns, text, hz: column('hz'), ppm: column('ppm'), real: column('real'), imag: column('imag') };
}
