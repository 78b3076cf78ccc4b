#include "gui/GuiTreeListCtrl.h"

#include "gui/GuiClip.h"
#include "gui/GuiWindow.h"

#include <algorithm>

GuiTreeListCtrl::GuiTreeListCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                                 std::uint32_t colour, TTF_Font* font)
    : GuiScrollingRows(parent, id, x, y, width, height, colour, font) {}

// ---------------------------------------------------------------------------------------------
// Columns and nodes
// ---------------------------------------------------------------------------------------------

int GuiTreeListCtrl::addColumn(std::string title, int columnWidth) {
    columns_.push_back({std::move(title), std::max(columnWidth, 0)});
    invalidate();
    return static_cast<int>(columns_.size()) - 1;
}

void GuiTreeListCtrl::setColumnWidth(int index, int columnWidth) {
    if (index >= 0 && index < static_cast<int>(columns_.size())) {
        columns_[index].width = std::max(columnWidth, 0);
        invalidate();
    }
}

int GuiTreeListCtrl::addNode(int parentIndex, int value, std::vector<std::string> cells) {
    const int index = static_cast<int>(nodes_.size());
    TreeNode node;
    node.value = value;
    node.cells = std::move(cells);
    if (parentIndex >= 0 && parentIndex < index) {
        node.parent = parentIndex;
        node.depth = nodes_[parentIndex].depth + 1;
        nodes_[parentIndex].children.push_back(index);
    } else {
        roots_.push_back(index);
    }
    nodes_.push_back(std::move(node));
    textWidths_.push_back(-1);
    rebuildVisibleRows();
    return index;
}

void GuiTreeListCtrl::rebuildVisibleRows() {
    visibleRows_.clear();
    // Depth-first without recursion, so that deep trees cannot exhaust the stack.
    std::vector<int> pending(roots_.rbegin(), roots_.rend());
    while (!pending.empty()) {
        const int node = pending.back();
        pending.pop_back();
        visibleRows_.push_back(node);
        const TreeNode& n = nodes_[node];
        if (n.expanded) {
            pending.insert(pending.end(), n.children.rbegin(), n.children.rend());
        }
    }
    invalidate();
}

bool GuiTreeListCtrl::isExpanded(int node) const {
    return node >= 0 && node < static_cast<int>(nodes_.size()) && nodes_[node].expanded;
}

void GuiTreeListCtrl::setExpanded(int node, bool expanded, bool notify) {
    if (node < 0 || node >= static_cast<int>(nodes_.size()) || nodes_[node].expanded == expanded) {
        return;
    }
    nodes_[node].expanded = expanded;
    rebuildVisibleRows();
    ensureLayout();
    if (notify) {
        post(GuiCmdTreeListExpanded, node);
    }
}

void GuiTreeListCtrl::select(int node, bool notify) {
    if (node < 0 || node >= static_cast<int>(nodes_.size())) {
        selectedNode_ = -1;
        invalidate();
        return;
    }
    selectedNode_ = node;
    scrollIntoView(node);
    invalidate();
    if (notify) {
        post(GuiCmdTreeListSelected, node);
    }
}

void GuiTreeListCtrl::post(int code, int node) {
    if (window != nullptr) {
        window->postEvent(code, id, nodes_[node].value, this);
    }
}

void GuiTreeListCtrl::clear() {
    nodes_.clear();
    roots_.clear();
    visibleRows_.clear();
    textWidths_.clear();
    selectedNode_ = -1;
    scroll_.scrollX = scroll_.scrollY = 0;
    invalidate();
}

void GuiTreeListCtrl::scrollToTop() {
    scroll_.scrollX = scroll_.scrollY = 0;
    invalidate();
}

std::string GuiTreeListCtrl::nodePath(int node) const {
    std::vector<int> chain;
    for (int n = node; n >= 0 && n < static_cast<int>(nodes_.size()); n = nodes_[n].parent) {
        chain.push_back(n);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (it != chain.rbegin()) {
            path += '/';
        }
        const auto& cells = nodes_[*it].cells;
        for (char c : cells.empty() ? std::string() : cells.front()) {
            if (c == '/' || c == '\\') {
                path += '\\';
            }
            path += c;
        }
    }
    return path;
}

bool GuiTreeListCtrl::getValue(std::string& value) {
    value = selectedNode_ >= 0 ? nodePath(selectedNode_) : std::string();
    return true;
}

bool GuiTreeListCtrl::setValue(const std::string& value) {
    if (value.empty()) {
        select(-1, false);
        return true;
    }
    for (int i = 0; i < static_cast<int>(nodes_.size()); ++i) {
        if (nodePath(i) == value) {
            select(i, false);
            return true;
        }
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------

int GuiTreeListCtrl::contentWidth() {
    if (!columns_.empty()) {
        int sum = 0;
        for (const TreeColumn& c : columns_) {
            sum += c.width;
        }
        return sum;
    }
    // One column as wide as the widest indented name.
    int widest = 0;
    for (int node : visibleRows_) {
        if (textWidths_[node] < 0) {
            int w = 0;
            int h = 0;
            const auto& cells = nodes_[node].cells;
            if (font_ != nullptr && !cells.empty() && !cells.front().empty()) {
                TTF_SizeUTF8(font_, cells.front().c_str(), &w, &h);
            }
            textWidths_[node] = w;
        }
        widest = std::max(widest, nodes_[node].depth * kIndent + kIndent + 8 + textWidths_[node]);
    }
    return widest;
}

void GuiTreeListCtrl::ensureLayout() {
    const int header = headerHeight();
    scroll_.layout({x, y + header, width, std::max(height - header, 0)}, contentWidth(),
                   static_cast<int>(visibleRows_.size()) * rowHeight_);
}

int GuiTreeListCtrl::nodeAt(int px, int py) {
    ensureLayout();
    const int row = scroll_.rowAt(px, py, rowHeight_);
    return row >= 0 && row < static_cast<int>(visibleRows_.size()) ? visibleRows_[row] : -1;
}

int GuiTreeListCtrl::rowOfNode(int node) const {
    const auto found = std::find(visibleRows_.begin(), visibleRows_.end(), node);
    return found == visibleRows_.end() ? -1 : static_cast<int>(found - visibleRows_.begin());
}

SDL_Rect GuiTreeListCtrl::expanderRect(int node) {
    const int row = rowOfNode(node);
    if (row < 0 || columns_.empty() || nodes_[node].children.empty()) {
        return {0, 0, 0, 0};
    }
    const SDL_Rect view = viewRect();
    const int rowY = view.y + row * rowHeight_ - scroll_.scrollY;
    return {x - scroll_.scrollX + 4 + nodes_[node].depth * kIndent,
            rowY + (rowHeight_ - kExpanderSize) / 2, kExpanderSize, kExpanderSize};
}

void GuiTreeListCtrl::scrollIntoView(int node) {
    const int row = rowOfNode(node);
    if (row < 0) {
        return;
    }
    ensureLayout();
    scroll_.scrollRowIntoView(row, rowHeight_);
    ensureLayout();
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

void GuiTreeListCtrl::paintHeader(SDL_Renderer* renderer, const SDL_Rect& view) {
    const SDL_Rect header{x, y, view.w, rowHeight_};
    GuiClipScope clip(renderer, header);
    SDL_SetRenderDrawColor(renderer, headerColour.r, headerColour.g, headerColour.b,
                           headerColour.a);
    SDL_RenderFillRect(renderer, &header);
    const int textHeight = font_ != nullptr ? TTF_FontHeight(font_) : 0;
    int columnX = x - scroll_.scrollX;
    for (const TreeColumn& column : columns_) {
        {
            GuiClipScope cell(renderer, {columnX, y, column.width, rowHeight_});
            drawString(renderer, font_, column.title, columnX + 4,
                       y + (rowHeight_ - textHeight) / 2, headerTextColour);
        }
        SDL_SetRenderDrawColor(renderer, gridColour.r, gridColour.g, gridColour.b, gridColour.a);
        SDL_RenderDrawLine(renderer, columnX + column.width - 1, y, columnX + column.width - 1,
                           y + rowHeight_ - 1);
        columnX += column.width;
    }
    SDL_SetRenderDrawColor(renderer, gridColour.r, gridColour.g, gridColour.b, gridColour.a);
    SDL_RenderDrawLine(renderer, x, y + rowHeight_ - 1, x + view.w - 1, y + rowHeight_ - 1);
}

void GuiTreeListCtrl::paintRow(SDL_Renderer* renderer, const SDL_Rect& view, int row) {
    const int nodeIndex = visibleRows_[row];
    const TreeNode& node = nodes_[nodeIndex];
    const bool selected = nodeIndex == selectedNode_;
    const int rowY = view.y + row * rowHeight_ - scroll_.scrollY;
    const SDL_Color& fill = selected ? selectionColour : backgroundColour;
    SDL_SetRenderDrawColor(renderer, fill.r, fill.g, fill.b, fill.a);
    const SDL_Rect rowRect{x, rowY, view.w, rowHeight_};
    SDL_RenderFillRect(renderer, &rowRect);

    const int textHeight = font_ != nullptr ? TTF_FontHeight(font_) : 0;
    const int textY = rowY + (rowHeight_ - textHeight) / 2;
    const SDL_Color& ink = selected ? selectedTextColour : textColour;
    const std::size_t columnCount = std::max<std::size_t>(columns_.size(), 1);
    int columnX = x - scroll_.scrollX;
    for (std::size_t c = 0; c < columnCount; ++c) {
        const int columnWidth =
            columns_.empty() ? std::max(view.w + scroll_.scrollX, 0) : columns_[c].width;
        GuiClipScope clip(renderer, {columnX, rowY, columnWidth, rowHeight_});
        int textX = columnX + 4;
        if (c == 0) {
            const int indent = node.depth * kIndent;
            if (!node.children.empty() && !columns_.empty()) {
                const int bx = columnX + 4 + indent;
                const int by = rowY + (rowHeight_ - kExpanderSize) / 2;
                SDL_SetRenderDrawColor(renderer, expanderColour.r, expanderColour.g,
                                       expanderColour.b, expanderColour.a);
                const SDL_Rect box{bx, by, kExpanderSize, kExpanderSize};
                SDL_RenderDrawRect(renderer, &box);
                SDL_RenderDrawLine(renderer, bx + 2, by + 4, bx + 6, by + 4);
                if (!node.expanded) {
                    SDL_RenderDrawLine(renderer, bx + 4, by + 2, bx + 4, by + 6);
                }
            }
            textX += indent + kIndent;
        }
        if (c < node.cells.size()) {
            drawString(renderer, font_, node.cells[c], textX, textY, ink);
        }
        columnX += columnWidth;
    }
}

void GuiTreeListCtrl::paint(SDL_Renderer* renderer) {
    const SDL_Rect view = paintBackground(renderer);
    if (!columns_.empty()) {
        paintHeader(renderer, view);
    }
    {
        GuiClipScope clip(renderer, view);
        const int count = static_cast<int>(visibleRows_.size());
        const int first = scroll_.scrollY / rowHeight_;
        const int last = std::min(count - 1, (scroll_.scrollY + view.h) / rowHeight_);
        for (int row = std::max(first, 0); row <= last; ++row) {
            paintRow(renderer, view, row);
        }
        SDL_SetRenderDrawColor(renderer, gridColour.r, gridColour.g, gridColour.b, gridColour.a);
        int columnX = x - scroll_.scrollX;
        for (const TreeColumn& column : columns_) {
            columnX += column.width;
            SDL_RenderDrawLine(renderer, columnX - 1, view.y, columnX - 1, view.y + view.h - 1);
        }
    }
    scroll_.paint(renderer);
}

// ---------------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------------

bool GuiTreeListCtrl::handleKey(const SDL_KeyboardEvent& key) {
    const int count = static_cast<int>(visibleRows_.size());
    if (count == 0) {
        return false;
    }
    ensureLayout();
    const int row = rowOfNode(selectedNode_);
    switch (key.keysym.sym) {
    case SDLK_LEFT:
        // Collapse an open node; from a closed one or a leaf, go to the parent.
        if (row >= 0) {
            const TreeNode& node = nodes_[selectedNode_];
            if (!node.children.empty() && node.expanded) {
                setExpanded(selectedNode_, false, true);
            } else if (node.parent >= 0) {
                select(node.parent, true);
            }
        }
        return true;
    case SDLK_RIGHT:
        if (row >= 0 && !nodes_[selectedNode_].children.empty()) {
            setExpanded(selectedNode_, true, true);
        }
        return true;
    default:
        break;
    }
    const std::optional<int> target =
        guiNavigationTarget(key.keysym.sym, row, count, scroll_.rowsPerPage(rowHeight_));
    if (!target) {
        return false;
    }
    const int targetRow = std::clamp(*target, 0, count - 1);
    if (targetRow != row) {
        select(visibleRows_[targetRow], true);
    }
    return true;
}

void GuiTreeListCtrl::rowsPressed(int px, int py) {
    const int node = nodeAt(px, py);
    if (node < 0) {
        select(-1, false);
        return;
    }
    const SDL_Rect box = expanderRect(node);
    if (box.w > 0 && px >= box.x && px < box.x + box.w) {
        setExpanded(node, !nodes_[node].expanded, true);
    } else {
        select(node, true);
    }
}
