#include "engine/model/mass_matrix.h"

#include <algorithm>

#include "engine/model/body.h"
#include "engine/model/constant_list.h"
#include "engine/model/expression_names.h"
#include "engine/model/generalized_coordinates.h"
#include "engine/model/model_binding.h"
#include "engine/model/model_text.h"
#include "engine/model/step_state.h"
#include "platform/number_text.h"
#include "platform/paths.h"
#include "platform/strings.h"
#include "platform/text_file.h"

namespace zentrova {

namespace {

const char* const kCannotReadRow = "[Error] Cannot read mass matrix expression. Check mass matrix file.";

bool EndsCell(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

// True when every "(" and "[" of the text is closed, in order, by its own kind.
bool BracketsBalance(const std::string& text) {
  std::string open;
  for (const char c : text) {
    if (c == '(' || c == '[') {
      open.push_back(c);
    } else if (c == ')' || c == ']') {
      if (open.empty() || open.back() != (c == ')' ? '(' : '[')) return false;
      open.pop_back();
    }
  }
  return open.empty();
}

}  // namespace

std::vector<std::string> MassMatrixCells(const std::string& line) {
  // The order matters: three blanks separate cells before single blanks become products.
  std::string text = ReplaceAll(line, "   ", ",", true);
  text = ReplaceAll(text, " + ", "+", true);
  text = ReplaceAll(text, " - ", "-", true);
  text = ReplaceAll(text, " / ", "/", true);
  text = ReplaceAll(text, " ", "*", true);

  // Split the way a string list reads comma text.
  std::vector<std::string> cells;
  const std::size_t n = text.size();
  std::size_t p = 0;
  while (p < n && EndsCell(text[p])) ++p;
  while (p < n) {
    std::string cell;
    if (text[p] == '"') {
      for (++p; p < n; ++p) {
        if (text[p] != '"') {
          cell.push_back(text[p]);
        } else if (p + 1 < n && text[p + 1] == '"') {
          cell.push_back('"');
          ++p;
        } else {
          ++p;
          break;
        }
      }
    } else {
      const std::size_t start = p;
      while (p < n && !EndsCell(text[p]) && text[p] != ',') ++p;
      cell = text.substr(start, p - start);
    }
    cells.push_back(cell);
    while (p < n && EndsCell(text[p])) ++p;
    if (p < n && text[p] == ',') {
      if (p + 1 == n) cells.emplace_back();
      do {
        ++p;
      } while (p < n && EndsCell(text[p]));
    }
  }
  return cells;
}

bool TMassMatrix::Load(const std::string& FileName, std::uint32_t n) {
  Dim(n);
  Zero();
  Rows.Clear();
  Rows.Lines.clear();
  TimeDependent = false;

  const std::string path = FindFile(ToNativeSeparators(FileName));
  if (path.empty() || !ReadTextLines(path, Rows.Lines)) {
    binding_.Log->AddLine(WithPlace("[Error] No mass matrix file found.", FileName));
    return false;
  }
  if (!AcceptNulFreeText(FirstLineWithNul(Rows.Lines), path, *binding_.Log)) return false;
  const std::string file = ExtractFileName(path);
  if (Rows.Lines.size() != n) {
    binding_.Log->AddLine(AppendSentence(
        "[Error] Number of rows in mass matrix file does not match the number of generalized coordinates.",
        CountMismatch(path, Rows.Lines.size(), "line", n, binding_.CountSource())));
    return false;
  }
  for (std::size_t i = 0; i < Rows.Lines.size(); ++i) {
    const std::string& line = Rows.Lines[i];
    const std::string place = "line " + IntToText(static_cast<std::int64_t>(i) + 1) + " of mass matrix file " + file;
    if (FindText(line, "[t]") != std::string::npos) TimeDependent = true;
    // A bracket left open swallows the blanks that separate cells, so it would surface as a wrong cell
    // count: name it first.
    if (!BracketsBalance(line)) {
      binding_.Log->AddLine("[Error] Brackets do not balance in " + place + ": " + EchoedText(line));
      return false;
    }
    const std::vector<std::string> cells = MassMatrixCells(line);
    for (std::size_t c = 0; c < cells.size(); ++c) {
      if (!BracketsBalance(cells[c])) {
        binding_.Log->AddLine("[Error] Brackets do not balance in cell " +
                              IntToText(static_cast<std::int64_t>(c) + 1) + " of " + place +
                              " (cells are separated by three blanks): " + EchoedText(cells[c]));
        return false;
      }
    }
    // A short row would leave cells of M unread: the whole matrix is refused instead.
    if (cells.size() != n) {
      binding_.Log->AddLine(std::string(kCannotReadRow) + " L" + place.substr(1) + " holds " +
                            IntToText(static_cast<std::int64_t>(cells.size())) + " cells where " +
                            IntToText(n) + " are expected.");
      return false;
    }
    auto row = std::make_unique<TExpressionList>(binding_);
    row->ReleaseWhenConstant = true;
    if (!row->AddExpression(cells, TLineSource::SameLine(file, i + 1, cells.size()))) return false;
    if (row->Count() != n) {  // an empty cell compiles to nothing
      binding_.Log->AddLine(std::string(kCannotReadRow) + " L" + place.substr(1) + " holds an empty cell.");
      return false;
    }
    if (row->TimeDependent) TimeDependent = true;
    Rows.Add(std::move(row));
  }
  Evaluate();
  return true;
}

void TMassMatrix::Evaluate() {
  for (std::int32_t i = 0; i < Rows.Count(); ++i) Rows.Items(i).EvaluateAll(true);
  const std::uint32_t rows = std::min<std::uint32_t>(RowCount(), static_cast<std::uint32_t>(Rows.Count()));
  for (std::uint32_t i = 0; i < rows; ++i) {
    const TExpressionList& row = Rows.Items(static_cast<std::int32_t>(i));
    const std::uint32_t cols = std::min(ColCount(), row.Count());
    for (std::uint32_t j = 0; j < cols; ++j) SetAt(i, j, row.Value(j));
  }
}

}  // namespace zentrova
