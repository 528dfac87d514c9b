// Command ids of jexmarlo: the framework's standard ones where one exists,
// the program's own from 32771 upwards.
#pragma once

constexpr int kCmdCopy = 57634;
constexpr int kCmdCut = 57635;
constexpr int kCmdFind = 57636;
constexpr int kCmdPaste = 57637;
constexpr int kCmdSelectAll = 57642;
constexpr int kCmdUndo = 57643;
constexpr int kCmdAbout = 57664;
constexpr int kCmdHelp = 57670;
constexpr int kCmdNextPane = 57680;
constexpr int kCmdPrevPane = 57681;

constexpr int kCmdSave = 32776;
constexpr int kCmdSaveAll = 32777;
constexpr int kCmdOptions = 32778;
constexpr int kCmdCompact = 32801;
// The manual update check (what the options dialog's "立即检查" does).
constexpr int kCmdCheckUpdate = 32830;
