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
