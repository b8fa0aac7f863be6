'use strict';
// The page's words: the host's catalogue (PAGE_DATA.words) with its phrases that take values.
// No DOM here, so that Node can load it for its tests.
const PageWords = (() => {
  // A phrase takes its values in place of its "{}", in order.
  const fill = (text, ...values) =>
    text.split('{}').reduce((out, part, i) => `${out}${values[i - 1]}${part}`);

  // Each language's words, with the phrases that take values made functions.
  const make = (catalogue) => Object.fromEntries(Object.entries(catalogue).map(([language, w]) =>
    [language, { ...w, unsavedItems: (n) => fill(w.unsavedItems, n),
      closeUnsaved: (name, n) => fill(w.closeUnsaved, name, n) }]));

  // A coherent machine's report rows are notes (the rail maps' scales, say): they do not make
  // it less coherent, and the verdict counts them so that green does not hide them.
  const notesOf = (m) => (m.verdict === 'coherent' ? (m.report || []).length : 0);

  function verdictWords(words, m) {
    const verdict = words.verdicts[m.verdict] || m.verdict;
    const notes = notesOf(m);
    if (notes === 0) return verdict;
    return notes === 1 ? fill(words.oneNote, verdict) : fill(words.notes, verdict, notes);
  }

  return { fill, make, notesOf, verdictWords };
})();
if (typeof module === 'object') module.exports = PageWords;
