// The page list of the options dialog: a tree whose nodes have a fixed key and a caption
// in each language. Group nodes only gather pages and have no page of their own. Any
// thread (const).
#pragma once

#include "core/UiLanguage.h"

#include <QString>

#include <span>

namespace kalvor {

struct OptionNode {
    const char* key;    // also what callers pass to open the dialog at a page
    const char* parent; // nullptr: top level
    UiText caption;
    bool hasPage;
};

// In the order the tree shows them, each parent before its children.
std::span<const OptionNode> optionNodes();
// nullptr when no node has that key (case-insensitive).
const OptionNode* findOptionNode(QStringView key);
// The first node with a page: where the dialog opens the first time.
const OptionNode& firstOptionPage();

} // namespace kalvor
