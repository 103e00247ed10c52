#!/usr/bin/env node
// Builds the game's built-in word list from the npm package "word-list".
//
// Output: a run of 15-byte records, no header. Byte 0 is 0x1E, bytes 1-14 the
// word in upper case, left-aligned and padded with spaces. Words longer than
// 14 letters are cut to their first 14 letters. Records are sorted byte by
// byte; records that became equal through the cut are all kept, since the
// lookup's binary search copes with equal neighbours.
//
// Usage:
//   node tools/wordlist/make-wordlist.mjs [--words words.txt] [--out file] [--licence file]
//
// Without --words the pinned package version is installed into a temporary
// folder with npm and its words.txt is used.

import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

const PACKAGE = 'word-list';
const VERSION = '4.1.0';
const RECORD_SIZE = 15;
const WORD_FIELD = 14;
const LENGTH_PREFIX = 0x1e;

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..', '..');

function parseArgs(argv) {
    const args = {
        words: null,
        out: path.join(root, 'assets', 'dict', 'english.rec'),
        licence: path.join(root, 'assets', 'dict', 'word-list-LICENSE.txt'),
    };
    for (let i = 0; i < argv.length; i++) {
        const key = argv[i];
        const value = argv[i + 1];
        if (!['--words', '--out', '--licence'].includes(key) || value === undefined) {
            throw new Error(`usage: make-wordlist.mjs [--words FILE] [--out FILE] [--licence FILE] (bad argument "${key}")`);
        }
        args[key.slice(2)] = path.resolve(value);
        i++;
    }
    return args;
}

// Installs the pinned package into a temporary folder; returns its folder and
// a clean-up function.
function fetchPackage() {
    const tmp = fs.mkdtempSync(path.join(os.tmpdir(), 'vorlith-wordlist-'));
    execFileSync('npm', ['install', '--no-audit', '--no-fund', '--no-save', '--prefix', tmp, `${PACKAGE}@${VERSION}`],
        {stdio: ['ignore', 'ignore', 'inherit']});
    const dir = path.join(tmp, 'node_modules', PACKAGE);
    const installed = JSON.parse(fs.readFileSync(path.join(dir, 'package.json'), 'utf8')).version;
    if (installed !== VERSION) {
        throw new Error(`npm installed ${PACKAGE}@${installed}, expected ${VERSION}`);
    }
    return {dir, cleanup: () => fs.rmSync(tmp, {recursive: true, force: true})};
}

function buildRecords(text) {
    const stats = {read: 0, skipped: 0, cut: 0, equalToPrevious: 0};
    const fields = [];
    for (const line of text.split('\n')) {
        const word = line.trim();
        if (word === '') {
            continue;
        }
        stats.read++;
        // The game's lookup only knows A-Z; anything else would be dead weight.
        if (!/^[a-z]{2,}$/.test(word)) {
            stats.skipped++;
            continue;
        }
        if (word.length > WORD_FIELD) {
            stats.cut++;
        }
        fields.push(Buffer.from(word.slice(0, WORD_FIELD).toUpperCase().padEnd(WORD_FIELD, ' '), 'latin1'));
    }
    fields.sort(Buffer.compare);

    const out = Buffer.alloc(fields.length * RECORD_SIZE);
    fields.forEach((field, i) => {
        out[i * RECORD_SIZE] = LENGTH_PREFIX;
        field.copy(out, i * RECORD_SIZE + 1);
        if (i > 0 && Buffer.compare(field, fields[i - 1]) === 0) {
            stats.equalToPrevious++;
        }
    });
    stats.records = fields.length;
    return {out, stats};
}

function main() {
    const args = parseArgs(process.argv.slice(2));
    let pkg = null;
    let wordsPath = args.words;
    let licencePath = null;
    if (wordsPath === null) {
        pkg = fetchPackage();
        wordsPath = path.join(pkg.dir, 'words.txt');
        licencePath = path.join(pkg.dir, 'license');
    } else {
        const guess = path.join(path.dirname(wordsPath), 'license');
        licencePath = fs.existsSync(guess) ? guess : null;
    }
    try {
        const {out, stats} = buildRecords(fs.readFileSync(wordsPath, 'latin1'));
        fs.mkdirSync(path.dirname(args.out), {recursive: true});
        const tmpOut = `${args.out}.tmp`;
        fs.writeFileSync(tmpOut, out);
        fs.renameSync(tmpOut, args.out);
        if (licencePath !== null) {
            const notice = `The built-in word list (english.rec) is made from the npm package\n` +
                `${PACKAGE} ${VERSION} by tools/wordlist/make-wordlist.mjs. Its licence:\n\n` +
                fs.readFileSync(licencePath, 'utf8');
            fs.writeFileSync(args.licence, notice);
        } else {
            console.warn('no licence file next to the word list: licence notice left as it is');
        }
        console.log(`words read:             ${stats.read}`);
        console.log(`words skipped (not a-z): ${stats.skipped}`);
        console.log(`records written:        ${stats.records} (${out.length} bytes) to ${args.out}`);
        console.log(`words cut to ${WORD_FIELD} letters:  ${stats.cut}`);
        console.log(`records equal to the previous one: ${stats.equalToPrevious}`);
    } finally {
        if (pkg !== null) {
            pkg.cleanup();
        }
    }
}

main();
