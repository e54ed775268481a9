// Faults injected into quillon-convert's runs: each time the user is told and
// nothing is lost (an earlier output stays whole, nothing half-written, no
// work folder or point log stays behind, or what a killed run left is ours
// and goes with the next run). Run natively, and under Wine with WINE=1 for
// the cases where the behaviour is Windows'.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, readdirSync, readFileSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { converter, data, put, scratch } from './support.mjs';

const wine = process.env.WINE === '1';
const line = '0 0\n100 50\n';
const big = wine ? 1048576 : 2097152;  // long enough a write to interrupt
const pdata = (si, out, extra = []) => ['pts', '--si', String(si), '--format', 'pdata', '-o', out, ...extra];
const ours = /^(quillon-work|tst-quillon)\./;

// A folder with the input `pts` and a temporary folder of its own.
function folder() {
  const dir = scratch();
  put('pts', line, dir);
  mkdirSync(join(dir, 'tmp'));
  return dir;
}
// Such a folder with an earlier output `out` (a processed-data folder of 1024 points).
function setup() {
  const dir = folder();
  assert.equal(runIn(dir, pdata(1024, 'out')).code, 0);
  return { dir, before: readFileSync(join(dir, 'out/pdata/1/1r')) };
}
// The run's environment: the folder's own temporary folder natively (Wine keeps
// its server's socket under TMPDIR, so a Windows run keeps the prefix's).
const envIn = (dir, extra = {}) => ({ ...process.env, ...(wine ? {} : { TMPDIR: join(dir, 'tmp') }), ...extra });
function runIn(dir, args, env = {}, program = converter) {
  const r = spawnSync(program, args, { cwd: dir, encoding: 'utf8', env: envIn(dir, env) });
  return { code: r.status, signal: r.signal, stderr: r.stderr };
}
// The earlier output is whole and is all there is (besides the input).
function assertKept({ dir, before }) {
  assert.ok(readFileSync(join(dir, 'out/pdata/1/1r')).equals(before), 'the earlier output is unchanged');
  assert.deepEqual(readdirSync(dir).sort(), ['out', 'pts', 'tmp']);
  if (!wine) assert.deepEqual(readdirSync(join(dir, 'tmp')), [], 'no point log is left');
}
// A processed-data folder whose parts agree: its size is the one procs names.
function assertWhole(folder) {
  const si = Number(/##\$SI= (\d+)/.exec(readFileSync(join(folder, 'pdata/1/procs'), 'latin1'))[1]);
  assert.equal(statSync(join(folder, 'pdata/1/1r')).size, 4 * si);
}
// Runs `script` as root of a mount namespace of its own; null where there is none.
function inNamespace(dir, script) {
  const r = spawnSync('unshare', ['-rm', 'sh', '-ec', script], { cwd: dir, encoding: 'utf8',
    env: envIn(dir, { CONVERT: converter }) });
  if (r.status !== 0 && /unshare|mount/.test(r.stderr) && !/quillon-convert/.test(r.stderr)) return null;
  return { code: r.status, stdout: r.stdout, stderr: r.stderr };
}
// Starts a conversion and stops it with `signal` as soon as it writes; tries
// again should a busy machine let the run finish first.
async function interrupt(dir, args, signal) {
  for (let attempt = 0; ; ++attempt) {
    const child = spawn(converter, args, { cwd: dir, env: envIn(dir) });
    let stderr = '';
    child.stderr.on('data', (d) => { stderr += d; });
    const done = new Promise((resolve) => child.on('close', (code, sig) => resolve({ code, signal: sig, stderr })));
    let ended = false;
    done.then(() => { ended = true; });
    while (!ended && !readdirSync(dir).some((n) => n.startsWith('quillon-work.'))) await new Promise((go) => setTimeout(go, 1));
    child.kill(signal);
    const r = await done;
    if (r.code !== 0 || attempt === 2) return r;
  }
}
// After an interrupted replace the name holds either output, whole.
function assertOneWhole({ dir, before }) {
  const out = join(dir, 'out');
  if (!readFileSync(join(out, 'pdata/1/1r')).equals(before)) assertWhole(out);
}

test('the --points file follows the spectrum\'s rules', () => {
  const dir = folder();
  put('taken.txt', 'precious', dir);
  for (const [args, code, message] of [
    [['--points', 'missing/p.txt'], 5, /Cannot write the points.*no file can be created/],
    [['--points', 'taken.txt'], 5, /Cannot write the points.*exists already/],
    [['--points', 'pts', '--force'], 2, /would replace the input/],
    [['--points', 'a.dx', '--force'], 2, /must be different/],
  ]) {
    const r = runIn(dir, ['pts', '-o', 'a.dx', ...args]);
    assert.equal(r.code, code, r.stderr);
    assert.match(r.stderr, message);
  }
  assert.deepEqual(readdirSync(dir).sort(), ['pts', 'taken.txt', 'tmp'], 'no spectrum without its points');
  assert.equal(readFileSync(join(dir, 'taken.txt'), 'utf8'), 'precious');
  assert.equal(readFileSync(join(dir, 'pts'), 'utf8'), line);
  assert.equal(runIn(dir, ['pts', '-o', 'a.dx', '--points', 'taken.txt', '--force']).code, 0);
  assert.equal(readFileSync(join(dir, 'taken.txt'), 'utf8'), line);
});

test('every input is answered: folders, endless devices, pipes', (t) => {
  const dir = folder();
  mkdirSync(join(dir, 'pictures'));
  const r = runIn(dir, ['pictures', '-o', 'x.csv']);
  assert.equal(r.code, 3);
  assert.match(r.stderr, /Cannot open file/);
  if (wine) return t.skip('the devices and pipes are the native converter\'s');
  assert.equal(runIn(dir, ['/dev/zero', '-o', 'x.csv']).code, 3);
  // A bitmap, which was read more than once.
  const picture = join(data, 'spectra', 'c13_800x400_lw1_noaa_8bit_rle8.bmp');
  const fifo = spawnSync('sh', ['-c', 'mkfifo f && { cat "$1" > f & } && "$0" f -o f.csv && "$0" /dev/stdin -o s.csv < "$1"',
    converter, picture], { cwd: dir, encoding: 'utf8', env: envIn(dir), timeout: 60000 });
  assert.equal(fifo.status, 0, fifo.stderr);
  assert.ok(existsSync(join(dir, 'f.csv')) && existsSync(join(dir, 's.csv')));
});

test('the default output never replaces the input', () => {
  const dir = folder();
  const r = runIn(dir, ['pts', '--format', 'pdata', '--force']);
  assert.equal(r.code, 2);
  assert.match(r.stderr, /would replace the input/);
  assert.equal(readFileSync(join(dir, 'pts'), 'utf8'), line);
});

test('outputs that cannot be written: the user is told, nothing is lost', () => {
  const unwritableTemp = wine ? { QUILLON_WINE_TMP: 'Z:\\nonexistent' } : { TMPDIR: '/nonexistent' };
  const cases = [
    ['an existing folder as a file output', (dir) => runIn(dir, ['pts', '-o', 'out', '--format', 'csv', '--force']),
      /a folder of that name exists/],
    ['a file in a folder that does not exist', (dir) => runIn(dir, ['pts', '-o', 'none/x.csv']),
      /no file can be created in its folder/],
    ['a temporary folder that cannot be written', (dir) => runIn(dir, ['pts', '-o', 'x.csv'], unwritableTemp),
      /No temporary file/],
  ];
  if (!wine) {
    const limited = `ulimit -f 8; exec "$0" ${pdata(65536, 'out', ['--force']).join(' ')}`;
    cases.push(['a file-size limit', (dir) => runIn(dir, ['-c', limited, converter], {}, 'sh'), /could not be written completely/]);
  }
  for (const [what, attempt, message] of cases) {
    const s = setup();
    const r = attempt(s.dir);
    assert.equal(r.code, 5, `${what}: ${r.stderr}`);
    assert.match(r.stderr, message, what);
    assertKept(s);
  }
});

test('a read-only folder and a full disk', (t) => {
  if (wine) return t.skip('Wine\'s server opens the files outside the test\'s mount namespace');
  const s = setup();
  put('many.txt', Array.from({ length: 40000 }, (_, i) => `${i} ${i % 7}`).join('\n'), s.dir);
  const copy = 'cp -r out pts disk/';
  const small = 'mount -t tmpfs -o size=256k tmpfs disk';
  for (const [what, prepare, args, message] of [
    ['read-only', `${copy} && mount --bind disk disk && mount -o remount,bind,ro disk`, pdata(2048, 'out', ['--force']),
      /Cannot write the spectrum "out": no file can be created in its folder/],
    ['full', `${small} && ${copy}`, pdata(65536, 'out', ['--force']),
      /Cannot write the spectrum "out": the file could not be written completely/],
    ['full under the points', `${small} && ${copy}`, ['../many.txt', '-o', '../spectrum.csv', '--points', 'points.txt'],
      /Cannot write the points "points.txt": the file could not be written completely/],
  ]) {
    const r = inNamespace(s.dir, `rm -rf disk && mkdir disk && ${prepare} && cd disk && `
      + `{ "$CONVERT" ${args.join(' ')} || echo "exit $?"; } && cmp out/pdata/1/1r ../out/pdata/1/1r && ls -A . ../tmp`);
    if (r === null) return t.skip('no mount namespace');
    assert.equal(r.code, 0, `${what}: ${r.stderr}`);
    assert.match(r.stderr, message, what);
    assert.deepEqual(r.stdout.trim().split('\n'), ['exit 5', '.:', 'out', 'pts', '', '../tmp:'], what);
  }
});

test('a run interrupted while it writes removes its work folder and its log', async () => {
  for (const signal of wine ? ['SIGINT'] : ['SIGINT', 'SIGTERM']) {
    const s = setup();
    const r = await interrupt(s.dir, pdata(big, 'out', ['--force']), signal);
    if (wine) assert.equal(r.code, 0xc000013a & 0xff, 'ended as by Ctrl+C');
    else assert.equal(r.signal, signal, r.stderr);
    assertOneWhole(s);
    assert.deepEqual(readdirSync(s.dir).sort(), ['out', 'pts', 'tmp']);
    if (!wine) assert.deepEqual(readdirSync(join(s.dir, 'tmp')), [], 'no point log is left');
  }
});

test('a run killed while it writes leaves only what is recognisably ours, and the next run removes it', async () => {
  const s = setup();
  const r = await interrupt(s.dir, pdata(big, 'out', ['--force']), 'SIGKILL');
  assert.equal(r.signal, 'SIGKILL');
  assertOneWhole(s);
  const left = readdirSync(s.dir).filter((n) => !['out', 'pts', 'tmp'].includes(n));
  assert.ok(left.length === 1 && ours.test(left[0]), `left: ${left}`);
  if (!wine) {
    const tag = left[0].split('.').slice(1, 4).join('.');
    assert.deepEqual(readdirSync(join(s.dir, 'tmp')).map((n) => n.split('.').slice(0, 4).join('.')), [`tst-quillon.${tag}`]);
  }
  assert.equal(runIn(s.dir, ['pts', '-o', 'next.csv']).code, 0);
  assert.deepEqual(readdirSync(s.dir).sort(), ['next.csv', 'out', 'pts', 'tmp']);
  if (!wine) assert.deepEqual(readdirSync(join(s.dir, 'tmp')), [], 'the log is gone too');
});

test('two runs replacing the same folder at once both finish, and one output stands whole', async () => {
  for (const existing of [true, false]) {
    const s = setup();
    if (!existing) spawnSync('rm', ['-r', join(s.dir, 'out')]);
    const both = await Promise.all([131072, 262144].map((si) => new Promise((resolve) => {
      const child = spawn(converter, pdata(si, 'out', ['--force']), { cwd: s.dir, env: envIn(s.dir) });
      child.on('close', resolve);
    })));
    assert.deepEqual(both, [0, 0]);
    assertWhole(join(s.dir, 'out'));
    assert.deepEqual(readdirSync(s.dir).sort(), ['out', 'pts', 'tmp']);
  }
});
