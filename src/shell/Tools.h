#pragma once
// The tool windows the main window's 工具 menu opens, in the menu's order: a new tool window is
// one line in Tools.cpp and a folder of its own under src/tools, whose Tool.h declares its entry.

#include <span>

class QWidget;

namespace tools {

struct Tool {
    const char* menuText;   // "年终奖筹划(&P)..."
    const char* actionName; // the menu action's objectName
    QWidget* (*make)(QWidget* parent);
    // Asked before the program quits while the window is open (unsaved rows); null: never asks.
    bool (*mayClose)(QWidget* window);
};

std::span<const Tool> All();

} // namespace tools
