// quillon-convert on pictures as users have them: PNG, TIFF and GIF copies of
// bitmaps traced to exactly the bitmap's points, JPEG converted, damaged and
// oversized files refused; the nucleus read back from every format; the preview.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { existsSync, readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { readJcamp, readPdata, readPipe } from '../readers/readers.mjs';
import { data, put, run, scratch } from './support.mjs';

const pictures = join(data, 'pictures');
const spectra = join(data, 'spectra');

for (const name of ['c13_800x400_lw3_noaa_core24bit', 'ethanol_800x400_lw1_noaa_8bit']) {
  test(`${name}: PNG, TIFF and GIF trace to the bitmap's points, JPEG converts`, () => {
    const dir = scratch();
    const trace = (input) => {
      const out = join(dir, input.replace(/.*\//, ''));
      const r = run([input, '-o', `${out}.csv`, '--points', `${out}.txt`]);
      assert.equal(r.code, 0, r.stderr);
      return readFileSync(`${out}.txt`, 'utf8');
    };
    const expected = trace(join(spectra, `${name}.bmp`));
    const copies = readdirSync(pictures).filter((f) => f.startsWith(name) && /\.(png|tif|gif|jpg)$/.test(f));
    assert.ok(copies.length >= 4, copies.join());
    for (const copy of copies) {
      const traced = trace(join(pictures, copy));
      if (copy.endsWith('.jpg')) assert.ok(traced.length > 0, copy);
      else assert.equal(traced, expected, copy);
    }
  });
}

test('damaged and oversized pictures are refused with a message that says why', () => {
  const png = readFileSync(join(pictures, 'ethanol_800x400_lw1_noaa_8bit.png'));
  const huge = Buffer.from(png);
  huge.writeUInt32BE(40000, 16);
  huge.writeUInt32BE(40000, 20);
  const jpeg = Buffer.from(readFileSync(join(pictures, 'c13_800x400_lw3_noaa_core24bit_rgb.jpg')));
  jpeg.fill(32, jpeg.indexOf(Buffer.from([0xff, 0xc4])) + 5, jpeg.indexOf(Buffer.from([0xff, 0xc4])) + 21);
  for (const [file, bytes, message] of [
    ['cut.png', png.subarray(0, 100), /^quillon-convert: The PNG picture could not be read: .+\.\n$/],
    ['codes.jpg', jpeg, /The JPEG picture could not be read/],
    ['cut.tif', readFileSync(join(pictures, 'ethanol_800x400_lw1_noaa_8bit.tif')).subarray(0, 8), /The TIFF picture/],
    ['cut.gif', readFileSync(join(pictures, 'ethanol_800x400_lw1_noaa_8bit.gif')).subarray(0, 13), /The GIF picture/],
    ['huge.png', huge, /40000 x 40000 pixels, more than the \d+ million pixels a picture may have/],
  ]) {
    const input = put(file, bytes);
    const r = run([input, '-o', `${input}.csv`]);
    assert.equal(r.code, 3, `${file}: ${r.stderr}`);
    assert.match(r.stderr, message, file);
    assert.ok(!existsSync(`${input}.csv`), file);
  }
});

test('the nucleus is named in every format that keeps one, and only a real one is taken', () => {
  const input = join(pictures, 'c13_800x400_lw3_noaa_core24bit.png');
  const dir = scratch();
  const convert = (format, out, ...more) => {
    const r = run([input, '--format', format, '-o', join(dir, out), ...more]);
    assert.equal(r.code, 0, r.stderr);
    return join(dir, out);
  };
  assert.equal(readJcamp(convert('jcamp', 'default.dx')).info['.OBSERVENUCLEUS'], '^1H');
  for (const format of ['jcamp', 'jcamp-dif']) {
    assert.equal(readJcamp(convert(format, `${format}.dx`, '--nucleus', '13C')).info['.OBSERVENUCLEUS'], '^13C');
  }
  const folder = readPdata(convert('pdata', 'folder', '--nucleus', '19F'));
  assert.deepEqual([folder.acqus.values.NUC1, folder.procs.values.AXNUC], ['<19F>', '<19F>']);
  assert.equal(readPipe(convert('nmrpipe', 'pipe.ft1', '--nucleus', '31P')).label, '31P');
  for (const bad of ['13c', 'C13', '13', 'H', '1C', '300H', '13Xx', '013C', '']) {
    const r = run([input, '--nucleus', bad, '-o', join(dir, 'bad.dx')]);
    assert.equal(r.code, 2, `${bad}: ${r.stderr}`);
    assert.match(r.stderr, /--nucleus: needs a mass number and an element symbol/);
  }
});

// Width and height from a PNG's header chunk.
const pngSize = (path) => {
  const b = readFileSync(path);
  assert.equal(b.subarray(0, 8).toString('latin1'), '\x89PNG\r\n\x1a\n');
  return [b.readUInt32BE(16), b.readUInt32BE(20)];
};

test('the preview: written beside the spectrum, never over a file without --force, never over the input', () => {
  const input = join(pictures, 'ethanol_800x400_lw1_noaa_8bit.gif');
  const dir = scratch();
  const [out, preview] = [join(dir, 's.csv'), join(dir, 'p.png')];
  const first = run([input, '-o', out, '--preview', preview]);
  assert.equal(first.code, 0, first.stderr);
  const [width, height] = pngSize(preview);
  assert.ok(width >= 800 && height > 400 + 240, `${width} x ${height}: the picture and the spectrum beneath it`);

  const again = run([input, '-o', join(dir, 't.csv'), '--preview', preview]);
  assert.equal(again.code, 5, again.stderr);
  assert.match(again.stderr, /The preview .*p\.png could not be written: a file of that name exists already/);
  assert.ok(!existsSync(join(dir, 't.csv')), 'nothing is written when the preview cannot be');
  assert.equal(run([input, '-o', join(dir, 't.csv'), '--preview', preview, '--force']).code, 0);

  // A picture with nothing to trace: previewed all the same, the exit code the conversion's.
  const head = Buffer.alloc(54);
  head.write('BM');
  [[54, 10], [40, 14], [4, 18], [4, 22]].forEach(([v, at]) => head.writeUInt32LE(v, at));
  head.writeUInt16LE(1, 26);
  head.writeUInt16LE(24, 28);
  const white = put('white.bmp', Buffer.concat([head, Buffer.alloc(48, 255)]));
  assert.equal(run([white, '-o', `${white}.csv`, '--preview', `${white}.png`]).code, 4);
  assert.ok(pngSize(`${white}.png`)[0] > 0);

  const drawing = run([join(spectra, 'ethanol_wpg_i32_polyline.wpg'), '-o', join(dir, 'd.csv'), '--preview',
    join(dir, 'd.png')]);
  assert.equal(drawing.code, 0, drawing.stderr);
  assert.ok(pngSize(join(dir, 'd.png'))[0] > 0);

  const same = join(dir, 'same.png');
  for (const [spectrum, target, message] of [[out, join(dir, 'p.jpg'), /name it FILE\.png/],
    [same, same, /another file than the spectrum/]]) {
    const r = run([input, '--format', 'csv', '-o', spectrum, '--preview', target, '--force']);
    assert.equal(r.code, 2, r.stderr);
    assert.match(r.stderr, message);
  }
  const own = put('own.png', readFileSync(join(pictures, 'c13_800x400_lw3_noaa_core24bit.png')));
  assert.match(run([own, '-o', `${own}.csv`, '--preview', own, '--force']).stderr, /must not replace the input/);
});
