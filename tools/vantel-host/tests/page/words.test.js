'use strict';
// The page's words without a browser: phrases that take values, and a verdict with its notes.
const test = require('node:test');
const assert = require('node:assert/strict');
const PageWords = require('../../commands/serve_page/page_words.js');

test('fill puts each value in its place, once', () => {
  const cases = [
    ['no place', [], 'no place'],
    ['{} first', [1], '1 first'],
    ['last {}', ['x'], 'last x'],
    ['{} of {}', [2, 3], '2 of 3'],
    ['{}{}', ['a', 'b'], 'ab'],
    // A value that looks like a place stays as it is.
    ['say {} and {}', ['{}', 'y'], 'say {} and y'],
  ];
  for (const [text, values, want] of cases) assert.equal(PageWords.fill(text, ...values), want, text);
});

test('make gives every language its words and its phrases as functions', () => {
  const words = PageWords.make({
    en: { busy: 'Busy', unsavedItems: '{} unsaved', closeUnsaved: 'Close {}? {} unsaved' },
    fr: { busy: 'B2', unsavedItems: 'U2 {}', closeUnsaved: 'C2 {} {}' },
  });
  assert.deepEqual(Object.keys(words), ['en', 'fr']);
  assert.equal(words.en.busy, 'Busy');
  assert.equal(words.en.unsavedItems(3), '3 unsaved');
  assert.equal(words.fr.closeUnsaved('M1', 2), 'C2 M1 2');
});

test('a coherent verdict counts its report rows as notes', () => {
  const words = { verdicts: { coherent: 'fine', 'not coherent': 'wrong' },
    oneNote: '{}, one note', notes: '{}, {} notes' };
  const rows = (n) => Array.from({ length: n }, (_, i) => ({ text: `row ${i}` }));
  const cases = [
    [{ verdict: 'coherent' }, 0, 'fine'],
    [{ verdict: 'coherent', report: rows(1) }, 1, 'fine, one note'],
    [{ verdict: 'coherent', report: rows(4) }, 4, 'fine, 4 notes'],
    [{ verdict: 'not coherent', report: rows(2) }, 0, 'wrong'],
    [{ verdict: 'unheard of' }, 0, 'unheard of'],
  ];
  for (const [m, notes, want] of cases) {
    assert.equal(PageWords.notesOf(m), notes, m.verdict);
    assert.equal(PageWords.verdictWords(words, m), want, m.verdict);
  }
});
