#pragma once
#include <string>
#include <vector>

class ZCItem;

// Makes a new item of one class.
using ItemCreateFn = ZCItem* (*)();

// The table of level object classes: a class word and its create function, searched from the
// first row with an exact, case-sensitive comparison. Registering a word again replaces its
// function in place. The table starts with "item", "pickable" and "boss".
void RegisterItemClass(const std::string& word, ItemCreateFn create);
// The create function of the word, or null.
ItemCreateFn FindItemClass(const std::string& word);
// The class words in table order.
std::vector<std::string> ItemClassWords();
// Registers the board's own classes ("item", "pickable", "boss"); the table does it itself when
// first used.
void InitItemFactoryTable();

// The pointer of the board world that an object of this name is published in ("boss",
// "bonus"), or null for any other name.
ZCItem** FindWellKnownItemSlot(const std::string& name);
