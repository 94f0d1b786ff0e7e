#pragma once
// What the comparison's result window lists, free of Qt: one row per slot in use on either side,
// per menu line and for the card's areas, the differences first (in slot order, then the menu
// lines, then the areas) and what is the same after them; each with what the unit and the project
// hold and every difference spelt out. Texts are UTF-8.

#include "tools/CardComparison.h"

#include <string>
#include <vector>

namespace zr48 {

enum class CompareTone {
    Same,
    Differs,       // in use on both sides, something differs
    OnlyOnUnit,    // a download clears it
    OnlyInProject, // a download adds it
};

struct CompareRow {
    std::string Place;   // "TUNER-1", "Menu line 2", "Card areas"
    std::string State;   // "same", "name differs; device file differs", "only on the unit"
    std::string Unit;    // what the ZR48 holds
    std::string Project; // what the project holds
    std::string Details; // every difference, a line each; empty when the same
    CompareTone Tone = CompareTone::Same;
    int Slot = -1;     // the slot the row is about; -1 for none
    int MenuLine = -1; // the menu line (0 to 4) the row is about; -1 for none
};

std::vector<CompareRow> CompareResultRows(const CardComparison& comparison);

} // namespace zr48
