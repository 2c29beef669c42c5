#include "scene/extras/widgets/string_grid.h"
#include "scene/base/class_registration.h"
#include "scene/base/property_setter.h"

#include <algorithm>
#include <cmath>

namespace zentrova {

ZENTROVA_REGISTER_CLASS(TGLStringGrid);

TGLStringGrid::TGLStringGrid() = default;

void TGLStringGrid::SetSelCol(int value) {
  sel_col_ = value;
  NotifyChange(this);
}

void TGLStringGrid::SetSelRow(int value) {
  sel_row_ = value;
  NotifyChange(this);
}

void TGLStringGrid::SetRowSelect(bool value) {
  row_select_ = value;
  NotifyChange(this);
}

void TGLStringGrid::SetDrawHeader(bool value) {
  draw_header_ = value;
  NotifyChange(this);
}

void TGLStringGrid::SetColumns(const std::vector<std::string>& titles) {
  columns_.clear();
  for (const std::string& title : titles) columns_.push_back({title, column_size_});
  NotifyChange(this);
}

void TGLStringGrid::SetColumnSize(int value) {
  SetProperty(column_size_, value, [this] {
    for (TColumn& column : columns_) column.width = column_size_;
    RequestRedraw(true);
  });
}

void TGLStringGrid::SetMarginSize(int value) { SetProperty(margin_size_, value, RedrawOf(this)); }

void TGLStringGrid::SetRowHeight(int value) { SetProperty(row_height_, value, RedrawOf(this)); }

void TGLStringGrid::SetHeaderColor(TColor value) {
  header_color_ = WinColorToVector(value, 1);
  RequestRedraw(true);
}

void TGLStringGrid::SetRowCount(int value) {
  value = std::max(value, 0);
  if (value == RowCount()) return;
  rows_.resize(static_cast<std::size_t>(value));
  if (scrollbar_ != nullptr) scrollbar_->SetMaxField(static_cast<float>(value));
  NotifyChange(this);
}

std::vector<std::string>* TGLStringGrid::Row(int index) {
  if (index < 0 || index >= RowCount()) return nullptr;
  return &rows_[static_cast<std::size_t>(index)];
}

std::string TGLStringGrid::Cell(int col, int row) const {
  if (row < 0 || row >= RowCount()) return {};
  const auto& cells = rows_[static_cast<std::size_t>(row)];
  if (col < 0 || col >= static_cast<int>(cells.size())) return {};
  return cells[static_cast<std::size_t>(col)];
}

void TGLStringGrid::SetCell(int col, int row, const std::string& text) {
  std::vector<std::string>* cells = Row(row);
  if (cells == nullptr || col < 0) return;
  if (static_cast<int>(cells->size()) <= col) cells->resize(static_cast<std::size_t>(col) + 1);
  (*cells)[static_cast<std::size_t>(col)] = text;
  NotifyChange(this);
}

void TGLStringGrid::SetScrollbar(TGLScrollbar* value) {
  if (value == scrollbar_) return;
  if (scrollbar_ != nullptr) RemoveFreeNotification(*scrollbar_);
  scrollbar_ = value;
  if (scrollbar_ != nullptr) FreeNotification(*scrollbar_);
}

void TGLStringGrid::SetGuiLayout(TGLGuiLayout* value) {
  TGLFocusControl::SetGuiLayout(value);
  if (scrollbar_ != nullptr && scrollbar_->GuiLayout() != nullptr) scrollbar_->SetGuiLayout(value);
}

void TGLStringGrid::NotifyChange(TPersistent* sender) {
  if (sender != nullptr && sender == scrollbar_) {
    SetRefreshAreas(true);
    RequestRedraw(true);
  }
  TGLFocusControl::NotifyChange(sender);
}

void TGLStringGrid::Notification(TComponent& component, TOperation operation) {
  if (operation == TOperation::Remove && &component == scrollbar_) scrollbar_ = nullptr;
  TGLFocusControl::Notification(component, operation);
}

void TGLStringGrid::ContentBox(int& x0, int& y0, int& x1, int& y1) {
  if (GuiComponent() != nullptr) {
    if (RefreshAreas()) TGLGuiLayout::ComputeAreas(*GuiComponent(), Areas(), 0, 0, Width(), Height(), 1);
    const TGuiArea& c = Areas()[GLAlCenter];
    x0 = static_cast<int>(std::lround(c.X1));
    y0 = static_cast<int>(std::lround(c.Y1));
    x1 = static_cast<int>(std::lround(c.X2));
    y1 = static_cast<int>(std::lround(c.Y2));
  } else {
    x0 = y0 = 0;
    x1 = static_cast<int>(std::lround(Width()));
    y1 = static_cast<int>(std::lround(Height()));
  }
}

bool TGLStringGrid::CellAt(int x, int y, int& col, int& row) {
  if (BitmapFont() == nullptr || row_height_ < 1) return false;
  int x0, y0, x1, y1;
  ContentBox(x0, y0, x1, y1);
  const float lx = static_cast<float>(x) - Left(), ly = static_cast<float>(y) - Top();
  const int top = y0 + (draw_header_ ? row_height_ : 0);
  if (ly < static_cast<float>(top) || lx < static_cast<float>(x0)) return false;
  int right = x0 + margin_size_;
  col = -1;
  for (int c = 0; c < ColumnCount(); ++c) {
    right += columns_[static_cast<std::size_t>(c)].width;
    if (static_cast<float>(right) >= lx) {
      col = c;
      break;
    }
  }
  if (col < 0) return false;
  int first = 0, last = 0;
  RowRange(first, last);
  int bottom = top;
  for (int r = 0; first + r <= last; ++r) {
    bottom += row_height_;
    if (static_cast<float>(bottom) > ly) {
      row = scrollbar_ != nullptr ? static_cast<int>(std::nearbyint(scrollbar_->Pos())) + r - 1 : r;
      return true;
    }
  }
  return false;
}

int TGLStringGrid::VisibleRows() {
  if (row_height_ < 1) return 0;
  int x0, y0, x1, y1;
  ContentBox(x0, y0, x1, y1);
  return std::max(0, (y1 - y0) / row_height_ - (draw_header_ ? 1 : 0));
}

void TGLStringGrid::RowRange(int& first, int& last) {
  // Rows below 1 pixel high show nothing.
  if (row_height_ < 1) {
    first = 0;
    last = -1;
    return;
  }
  if (scrollbar_ != nullptr) {
    scrollbar_->SetPageSize(static_cast<float>(VisibleRows()));
    first = static_cast<int>(std::nearbyint(scrollbar_->Pos() - 1));
    last = std::min(static_cast<int>(std::nearbyint(first + scrollbar_->PageSize() - 1)), RowCount() - 1);
  } else {
    first = 0;
    last = RowCount() - 1;
  }
}

void TGLStringGrid::InternalMouseDown(TGLMouseButton button, TShiftState shift, int x, int y) {
  SetFocus();
  if (int col = 0, row = 0; CellAt(x, y, col, row)) {
    SetSelCol(col);
    SetSelRow(row);
  }
  TGLFocusControl::InternalMouseDown(button, shift, x, y);
}

void TGLStringGrid::InternalRender(TRenderContextInfo& rci) {
  GuardedDraw(
      [&] {
        if (GuiComponent() != nullptr) RenderComponent(rci, *GuiComponent(), Areas(), RefreshAreas(), 0, 0, Width(), Height());
        if (BitmapFont() == nullptr) return;
        int x0, y0, x1, y1;
        ContentBox(x0, y0, x1, y1);
        float x = static_cast<float>(x0 + margin_size_);
        if (scrollbar_ != nullptr) {
          const TGuiArea& c = Areas()[GLAlCenter];
          scrollbar_->SetLeft(Left() + c.X2 - scrollbar_->Width());
          scrollbar_->SetTop(Top() + c.Y1);
          scrollbar_->SetHeight(c.Y2 - c.Y1);
        }
        int first = 0, last = -1;
        RowRange(first, last);
        for (int col = 0; col < ColumnCount(); ++col) {
          float y = static_cast<float>(-y0);
          if (draw_header_) {
            WriteTextAt(rci, x, y, columns_[static_cast<std::size_t>(col)].title, header_color_);
            y -= static_cast<float>(row_height_);
          }
          for (int r = std::max(first, 0); r <= last; ++r) {
            const bool selected = r == sel_row_ && (row_select_ || col == sel_col_);
            WriteTextAt(rci, x, y, Cell(col, r), selected ? FocusedColorVector() : DefaultColorVector());
            y -= static_cast<float>(row_height_);
          }
          x += static_cast<float>(columns_[static_cast<std::size_t>(col)].width);
        }
      },
      "Exception in GuiComponents InternalRender function");
}

void TGLStringGrid::WriteProperties(TPropertyWriter& w) const {
  TGLFocusControl::WriteProperties(w);
  if (sel_col_ != 0) w.Integer("SelCol", sel_col_);
  if (sel_row_ != 0) w.Integer("SelRow", sel_row_);
  if (!row_select_) w.Boolean("RowSelect", false);
  std::vector<std::string> titles;
  for (const TColumn& column : columns_) titles.push_back(column.title);
  WriteStrings(w, "Columns", titles);
  if (HeaderColor() != kDefaultWidgetColor) w.Integer("HeaderColor", HeaderColor());
  if (margin_size_ != 0) w.Integer("MarginSize", margin_size_);
  if (column_size_ != 0) w.Integer("ColumnSize", column_size_);
  if (row_height_ != 0) w.Integer("RowHeight", row_height_);
  w.Reference("Scrollbar", scrollbar_);
  if (!draw_header_) w.Boolean("DrawHeader", false);
  if (RowCount() != 0) w.Integer("RowCount", RowCount());
}

bool TGLStringGrid::ReadProperty(const std::string& name, const TPropertyValue& v) {
  if (name == "SelCol") {
    SetSelCol(AsInteger(v));
  } else if (name == "SelRow") {
    SetSelRow(AsInteger(v));
  } else if (name == "RowSelect") {
    SetRowSelect(AsBoolean(v));
  } else if (name == "Columns.Strings") {
    SetColumns(ReadStrings(v));
  } else if (name == "HeaderColor") {
    SetHeaderColor(AsInteger(v));
  } else if (name == "MarginSize") {
    SetMarginSize(AsInteger(v));
  } else if (name == "ColumnSize") {
    SetColumnSize(AsInteger(v));
  } else if (name == "RowHeight") {
    SetRowHeight(AsInteger(v));
  } else if (name == "Scrollbar") {
    ReadReference<TGLScrollbar>(v, [this](TGLScrollbar* scrollbar) { SetScrollbar(scrollbar); });
  } else if (name == "DrawHeader") {
    SetDrawHeader(AsBoolean(v));
  } else if (name == "RowCount") {
    SetRowCount(AsInteger(v));
  } else {
    return TGLFocusControl::ReadProperty(name, v);
  }
  return true;
}

}  // namespace zentrova
