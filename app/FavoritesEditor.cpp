#include "app/FavoritesEditor.h"

#include "core/TextUtils.h"

namespace zorb {

TFavoritesEditor::TFavoritesEditor(const TStatList& list, std::string programNamesFile)
    : Ordered(list.Ordered), ShowGroupName(list.ShowGroupName), ShowMethodFlags(list.ShowMethodFlags), FList(list),
      FProgramNames(std::move(programNamesFile)) {
    BuildTree();
}

void TFavoritesEditor::BuildTree() {
    FTree.clear();
    for (int i = 0; i < FList.MethodCount(); ++i) {
        if (!FList.IsAvailable(i)) continue;
        const int group = FList.Method(i).StatClass->Group;
        TGroupNode* g = nullptr;
        for (TGroupNode& x : FTree)
            if (x.Group == group) g = &x;
        if (!g) {
            FTree.push_back({group, GroupCaption(group), {}});
            g = &FTree.back();
        }
        g->Nodes.push_back({i, FList.EntryName(i), FList.Method(i).Favorite});
    }
}

void TFavoritesEditor::CheckAll(bool marked) {
    for (TGroupNode& g : FTree)
        for (TNode& n : g.Nodes) n.Marked = marked;
}

void TFavoritesEditor::CheckGroup(size_t group, bool marked) {
    if (group >= FTree.size()) return;
    for (TNode& n : FTree[group].Nodes) n.Marked = marked;
}

void TFavoritesEditor::Toggle(size_t group, size_t node) {
    if (group < FTree.size() && node < FTree[group].Nodes.size())
        FTree[group].Nodes[node].Marked = !FTree[group].Nodes[node].Marked;
}

void TFavoritesEditor::Rename(size_t group, size_t node, const std::string& caption) {
    if (group < FTree.size() && node < FTree[group].Nodes.size()) FTree[group].Nodes[node].Caption = caption;
}

void TFavoritesEditor::ResetName(size_t group, size_t node) {
    if (group >= FTree.size() || node >= FTree[group].Nodes.size()) return;
    TNode& n = FTree[group].Nodes[node];
    n.Caption = FList.Method(n.Entry).StatClass->CaptionOf(FList.Method(n.Entry).Param);
}

void TFavoritesEditor::ApplyCaptions(TStatList& list) const {
    for (const TGroupNode& g : FTree)
        for (const TNode& n : g.Nodes) {
            const TStatMethod& m = list.Method(n.Entry);
            list.Method(n.Entry).Title = SameText(n.Caption, m.StatClass->CaptionOf(m.Param)) ? "" : n.Caption;
        }
}

void TFavoritesEditor::ImportNames(const std::string& file) {
    // The marks stay as the user set them; only the names come from the file.
    std::vector<std::pair<int, bool>> marks;
    for (const TGroupNode& g : FTree)
        for (const TNode& n : g.Nodes) marks.push_back({n.Entry, n.Marked});
    FList.LoadNames(file, false);
    BuildTree();
    size_t k = 0;
    for (TGroupNode& g : FTree)
        for (TNode& n : g.Nodes)
            if (k < marks.size() && marks[k].first == n.Entry) n.Marked = marks[k++].second;
}

void TFavoritesEditor::ExportNames(const std::string& file) {
    ApplyCaptions(FList);
    FList.SaveNames(file, false, true);
    FList.LoadNames(FProgramNames, false);
}

void TFavoritesEditor::Apply(TStatList& list) const {
    for (const TGroupNode& g : FTree)
        for (const TNode& n : g.Nodes) list.Method(n.Entry).Favorite = n.Marked;
    ApplyCaptions(list);
    list.NormalizeFavorites();
    list.Ordered = Ordered;
    list.ShowGroupName = ShowGroupName;
    list.ShowMethodFlags = ShowMethodFlags;
}

} // namespace zorb
