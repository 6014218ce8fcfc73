// The favourites manager's working state: a copy of the registry's favourites, titles and display options,
// shown as a tree of groups and methods. Nothing reaches the registry until Apply.
#pragma once

#include "stats/StatList.h"

#include <string>
#include <vector>

namespace zorb {

class TFavoritesEditor {
public:
    struct TNode {
        int Entry;
        std::string Caption;
        bool Marked;
    };
    struct TGroupNode {
        int Group;
        std::string Caption;
        std::vector<TNode> Nodes;
    };

    explicit TFavoritesEditor(const TStatList& list, std::string programNamesFile);

    const std::vector<TGroupNode>& Tree() const { return FTree; }
    int EntryCount() const { return FList.MethodCount(); }
    bool Ordered, ShowGroupName, ShowMethodFlags;

    void CheckAll(bool marked);
    void CheckGroup(size_t group, bool marked);
    void Toggle(size_t group, size_t node);
    void Rename(size_t group, size_t node, const std::string& caption);
    void ResetName(size_t group, size_t node);
    // Reads titles from another names file and shows them; raises when it cannot be read.
    void ImportNames(const std::string& file);
    // Writes every method's name (the captions as shown) to a names file; raises when it cannot be written.
    void ExportNames(const std::string& file);
    // Marks, captions and options into the registry, then NormalizeFavorites.
    void Apply(TStatList& list) const;

private:
    void BuildTree();
    void ApplyCaptions(TStatList& list) const;

    TStatList FList;
    std::string FProgramNames;
    std::vector<TGroupNode> FTree;
};

} // namespace zorb
