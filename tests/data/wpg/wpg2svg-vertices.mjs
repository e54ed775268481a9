// The line, polyline and polygon vertices that Debian's wpg2svg (libwpg-tools)
// reads from a WPG file, in WPG units and file order, as "x y" lines: the
// reference the interpreter's point log is compared with.
//   node wpg2svg-vertices.mjs FILE.wpg      prints the list
//   node wpg2svg-vertices.mjs --write       writes vertices/NAME.txt for every
//                                           .wpg of this folder
// wpg2svg writes points (1/72 inch) with y down from the top of the page;
// WPG units are 1/1200 inch with y up from the bottom.
import { execFileSync } from 'node:child_process';
import { readdirSync, writeFileSync } from 'node:fs';
import { basename, join } from 'node:path';

export function wpg2svgVertices(path) {
  const svg = execFileSync('wpg2svg', [path], { encoding: 'utf8', maxBuffer: 1 << 28 });
  const height = Number(/<svg[^>]*\sheight="([\d.]+)in"/.exec(svg)[1]) * 1200;
  const unit = (v) => Math.round(Number(v) * 1200 / 72);
  const point = (x, y) => [unit(x), Math.round(height - Number(y) * 1200 / 72)];
  const out = [];
  for (const m of svg.matchAll(/<(line|polyline|polygon)\s([^>]*)>/g)) {
    const attrs = Object.fromEntries([...m[2].matchAll(/(\w+)="([^"]*)"/g)].map((a) => [a[1], a[2]]));
    if (m[1] === 'line') {
      out.push(point(attrs.x1, attrs.y1), point(attrs.x2, attrs.y2));
    } else {
      for (const pair of attrs.points.split(',')) {
        const [x, y] = pair.trim().split(/\s+/);
        if (x !== undefined && y !== undefined) out.push(point(x, y));
      }
    }
  }
  return out.map(([x, y]) => `${x} ${y}\n`).join('');
}

if (process.argv[1] && basename(process.argv[1]) === 'wpg2svg-vertices.mjs') {
  const here = new URL('.', import.meta.url).pathname;
  if (process.argv[2] === '--write') {
    for (const name of readdirSync(here).filter((n) => n.endsWith('.wpg')).sort()) {
      writeFileSync(join(here, 'vertices', name.replace(/\.wpg$/, '.txt')), wpg2svgVertices(join(here, name)));
    }
  } else {
    process.stdout.write(wpg2svgVertices(process.argv[2]));
  }
}
