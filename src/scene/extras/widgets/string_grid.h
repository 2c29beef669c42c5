// Rows of strings under a header of column titles, drawn with the widget's font, with a selected cell
// or row and an optional vertical scroll bar that chooses the first visible row.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "scene/base/class_name.h"
#include "scene/base/property_stream.h"
#include "scene/extras/widgets/gui_controls.h"
#include "scene/extras/widgets/scrollbar.h"

namespace zentrova {

class TGLStringGrid : public TGLFocusControl {
 public:
  TGLStringGrid();
  ZENTROVA_CLASS_NEW(TGLStringGrid)
  void WriteProperties(TPropertyWriter& writer) const override;
  bool ReadProperty(const std::string& name, const TPropertyValue& value) override;

  int SelCol() const { return sel_col_; }
  int SelRow() const { return sel_row_; }
  void SetSelCol(int value);
  void SetSelRow(int value);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool value);
  bool DrawHeader() const { return draw_header_; }
  void SetDrawHeader(bool value);
  // Column titles with their widths.
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  const std::string& Column(int index) const { return columns_.at(index).title; }
  int ColumnWidth(int index) const { return columns_.at(index).width; }
  void SetColumns(const std::vector<std::string>& titles);
  int ColumnSize() const { return column_size_; }
  void SetColumnSize(int value);
  int MarginSize() const { return margin_size_; }
  void SetMarginSize(int value);
  int RowHeight() const { return row_height_; }
  void SetRowHeight(int value);
  TColor HeaderColor() const { return VectorToWinColor(header_color_); }
  void SetHeaderColor(TColor value);
  int RowCount() const { return static_cast<int>(rows_.size()); }
  void SetRowCount(int value);
  // nullptr outside 0 .. RowCount - 1.
  std::vector<std::string>* Row(int index);
  // Empty outside the row or the grid.
  std::string Cell(int col, int row) const;
  void SetCell(int col, int row, const std::string& text);
  TGLScrollbar* Scrollbar() const { return scrollbar_; }
  void SetScrollbar(TGLScrollbar* value);
  void SetGuiLayout(TGLGuiLayout* value) override;
  void NotifyChange(TPersistent* sender) override;

  // The cell under a point (parent pixels): false for none.
  bool CellAt(int x, int y, int& col, int& row);
  // Rows a page shows: (content height) div RowHeight, less one with a header; 0 for a RowHeight
  // below 1.
  int VisibleRows();
  // The first and last row drawn.
  void RowRange(int& first, int& last);

 protected:
  void Notification(TComponent& component, TOperation operation) override;
  void InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) override;
  void InternalRender(TRenderContextInfo& rci) override;

 private:
  struct TColumn {
    std::string title;
    int width = 0;
  };
  void ContentBox(int& x0, int& y0, int& x1, int& y1);
  int sel_col_ = 0;
  int sel_row_ = 0;
  bool row_select_ = true;
  std::vector<TColumn> columns_;
  std::vector<std::vector<std::string>> rows_;
  TVector4f header_color_{0, 0, 0, 1};
  int margin_size_ = 0;
  int column_size_ = 0;
  int row_height_ = 0;
  TGLScrollbar* scrollbar_ = nullptr;
  bool draw_header_ = true;
};

}  // namespace zentrova
