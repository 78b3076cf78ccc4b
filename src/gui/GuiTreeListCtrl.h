#ifndef TRAKMOOR_GUI_GUITREELISTCTRL_H
#define TRAKMOOR_GUI_GUITREELISTCTRL_H

// A scrollable table of nodes with optional column headers; the first column shows the tree
// with expander boxes.  Selection and expansion are reported as commands.

#include "gui/GuiScrollingRows.h"

#include <string>
#include <vector>

struct TreeNode {
    int value = 0;
    std::vector<std::string> cells; // one per column; the first is the node's name
    int parent = -1;
    std::vector<int> children;
    bool expanded = true;
    int depth = 0;
};

struct TreeColumn {
    std::string title;
    int width = 0;
};

class GuiTreeListCtrl : public GuiScrollingRows {
public:
    static constexpr int kIndent = 16;
    static constexpr int kExpanderSize = 8;

    GuiTreeListCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                    std::uint32_t colour, TTF_Font* font);

    const char* className() const override { return "GuiTreeListCtrl"; }
    void paint(SDL_Renderer* renderer) override;
    // The selected node's path (empty if none).
    bool getValue(std::string& value) override;
    // Selects the first node whose path equals the text; empty text clears the selection.
    bool setValue(const std::string& value) override;

    int addColumn(std::string title, int columnWidth);
    void setColumnWidth(int index, int columnWidth);
    // A parent outside the node list makes the node a root.  New nodes start expanded.
    int addNode(int parentIndex, int value, std::vector<std::string> cells);
    void setExpanded(int node, bool expanded, bool notify);
    bool isExpanded(int node) const;
    // Selects and scrolls into view; an invalid node clears the selection.
    void select(int node, bool notify);
    void clear();
    void scrollToTop();

    // Names from the root down joined with "/"; "/" and "\" inside a name get a "\" before them.
    std::string nodePath(int node) const;

    const std::vector<TreeNode>& nodes() const { return nodes_; }
    const std::vector<TreeColumn>& columns() const { return columns_; }
    const std::vector<int>& visibleRows() const { return visibleRows_; }
    int selectedNode() const { return selectedNode_; }

    // The node in the row under a window point, or -1.
    int nodeAt(int px, int py);
    // Where the node's expander box is drawn (empty if it has none or is not shown).
    SDL_Rect expanderRect(int node);

    SDL_Color headerColour{225, 225, 225, 255};
    SDL_Color headerTextColour{0, 0, 0, 255};
    SDL_Color gridColour{210, 210, 210, 255};
    SDL_Color expanderColour{90, 90, 90, 255};

protected:
    void ensureLayout() override;
    // Lays out on every use, so a repaint is enough.
    void geometryChanged() override { invalidate(); }
    // On an expander box: opens or closes its node; elsewhere selects the node, or nothing.
    void rowsPressed(int px, int py) override;
    bool handleKey(const SDL_KeyboardEvent& key) override;

private:
    void rebuildVisibleRows();
    int headerHeight() const { return columns_.empty() ? 0 : rowHeight_; }
    int contentWidth();
    int rowOfNode(int node) const;
    void scrollIntoView(int node);
    void post(int code, int node);
    void paintHeader(SDL_Renderer* renderer, const SDL_Rect& view);
    void paintRow(SDL_Renderer* renderer, const SDL_Rect& view, int row);

    std::vector<TreeColumn> columns_;
    std::vector<TreeNode> nodes_;
    std::vector<int> roots_;
    std::vector<int> visibleRows_;
    std::vector<int> textWidths_; // first-cell widths, -1 until measured
    int selectedNode_ = -1;
};

#endif
