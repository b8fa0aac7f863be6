#include "diff.h"

#include <array>
#include <memory>
#include <utility>

#include "json.h"
#include "review.h"
#include "session.h"

namespace vantel::host {

namespace {

struct CloseFile {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};

HostWord VerdictWord(Verdict verdict) {
  switch (verdict) {
    case Verdict::kCoherent:
      return HostWord::kVerdictCoherent;
    case Verdict::kIncoherent:
      return HostWord::kVerdictNotCoherent;
    case Verdict::kRejected:
      return HostWord::kVerdictRejected;
    case Verdict::kNotChecked:
      break;
  }
  return HostWord::kVerdictNotChecked;
}

std::string Joined(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
  return out;
}

/// The changes under their groups' headings, in the review's order.
template <class Heading, class Line>
void ByGroup(const Review& review, Heading heading, Line line) {
  const ReviewGroup* current = nullptr;
  for (const Change& change : review.changes) {
    if (!current || *current != change.group) {
      current = &change.group;
      heading(change.group);
    }
    line(change);
  }
}

class Printer {
 public:
  Printer(FILE* out, const std::array<ReviewSide, 2>& sides, const Review& review,
          HostLanguage language)
      : out_(out), sides_(sides), review_(review), language_(language) {}

  void Text() const {
    Put(sides_[0].file + " → " + sides_[1].file + ": " + Count() + "\n");
    ByGroup(
        review_, [&](ReviewGroup g) { Put(std::string(In(GroupWord(g), language_)) + "\n"); },
        [&](const Change& c) {
          std::string line = "  " + ChangeLine(c);
          if (c.before.empty() && !c.items.empty()) line += " (" + Joined(c.items) + ")";
          if (!c.note.empty()) line += " (" + c.note + ")";
          Put(line + "\n");
        });
    Put(std::string(In(HostWord::kReviewVerdicts, language_)) + "\n");
    for (const ReviewSide& side : sides_)
      Put("  " + side.file + ": " + std::string(In(VerdictWord(side.verdict), language_)) + "\n");
    Rows(HostWord::kReviewRowsAppeared, review_.rowsAppeared, "  + ");
    Rows(HostWord::kReviewRowsGone, review_.rowsGone, "  - ");
  }

  void JsonDocument() const {
    Json document;
    for (size_t i = 0; i < 2; ++i)
      document[i == 0 ? "old" : "new"] = {{"file", sides_[i].file},
                                          {"machine", sides_[i].kalbrix.machine},
                                          {"verdict", VerdictName(sides_[i].verdict)}};
    document["changes"] = ChangesJson(review_);
    document["rowsAppeared"] = review_.rowsAppeared;
    document["rowsGone"] = review_.rowsGone;
    Put(document.dump(2) + "\n");
  }

  void Markdown() const {
    Put("#### `" + sides_[0].file + "` → `" + sides_[1].file + "`: " + Count() + "\n");
    ByGroup(
        review_,
        [&](ReviewGroup g) {
          Put("\n**" + std::string(In(GroupWord(g), language_)) + "**\n\n| " +
              Word(HostWord::kReviewWhat) + " | " + Word(HostWord::kReviewBefore) + " | " +
              Word(HostWord::kReviewAfter) + " |\n|---|---|---|\n");
        },
        [&](const Change& c) {
          std::string after = c.after;
          if (c.before.empty() && !c.items.empty()) after += " (" + Joined(c.items) + ")";
          if (!c.note.empty()) after += " (" + c.note + ")";
          Put("| " + Cell(c.subject) + " | " + Cell(c.before) + " | " + Cell(after) + " |\n");
        });
    Put("\n**" + Word(HostWord::kReviewVerdicts) + "**\n\n");
    for (const ReviewSide& side : sides_)
      Put("- `" + side.file + "`: " + Word(VerdictWord(side.verdict)) + "\n");
    Rows(HostWord::kReviewRowsAppeared, review_.rowsAppeared, "- ", true);
    Rows(HostWord::kReviewRowsGone, review_.rowsGone, "- ", true);
  }

 private:
  void Put(const std::string& text) const { std::fputs(text.c_str(), out_); }
  std::string Word(HostWord word) const { return std::string(In(word, language_)); }

  std::string Count() const {
    if (review_.changes.empty()) return Word(HostWord::kReviewNoChange);
    return Say(HostWord::kReviewChanges, language_, {std::to_string(review_.changes.size())});
  }

  /// A table cell: a bar would end it, a line feed the table.
  static std::string Cell(const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c == '|')
        out += "\\|";
      else if (c == '\n')
        out += ' ';
      else
        out += c;
    }
    return out;
  }

  void Rows(HostWord heading, const std::vector<std::string>& rows, const char* opening,
            bool markdown = false) const {
    if (rows.empty()) return;
    Put(markdown ? "\n**" + Word(heading) + "**\n\n" : Word(heading) + "\n");
    for (const std::string& row : rows) Put(opening + (markdown ? Cell(row) : row) + "\n");
  }

  FILE* out_;
  const std::array<ReviewSide, 2>& sides_;
  const Review& review_;
  HostLanguage language_;
};

}  // namespace

Result<int> Diff(const DiffOptions& options, FILE* out) {
  const std::unique_ptr<FILE, CloseFile> quiet(std::fopen("/dev/null", "w"));
  if (!quiet) return Failure{"cannot open /dev/null"};
  HostSession session(options.language);
  WheelInput picture;
  Result<std::array<ReviewSide, 2>> sides =
      OpenBoth(session, options.oldFile, options.newFile, quiet.get(),
               options.svg.empty() ? nullptr : &picture);
  if (!sides) return Failure{sides.error()};
  if (const std::optional<std::string> different = DifferentEcus((*sides)[0], (*sides)[1]))
    return Failure{*different};

  const HostLanguage language = HostLanguageOf(options.language);
  const Review review = Compare((*sides)[0], (*sides)[1], language);
  if (!options.svg.empty()) {
    picture.changed = ChangesOnWheel(review);
    try {
      WriteFileAtomically(options.svg, DrawWheel(picture));
    } catch (const KalbrixError& error) {
      return Failure{error.what()};
    }
  }
  const Printer printer(out, *sides, review, language);
  switch (options.format) {
    case OutputFormat::kJson:
      printer.JsonDocument();
      break;
    case OutputFormat::kMarkdown:
      printer.Markdown();
      break;
    case OutputFormat::kText:
    case OutputFormat::kSarif:  // the command line gives it to check alone
      printer.Text();
      break;
  }
  return (*sides)[1].verdict == Verdict::kCoherent ? 0 : 1;
}

}  // namespace vantel::host
