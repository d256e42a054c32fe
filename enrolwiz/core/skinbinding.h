// The wizard's side of the skinned dialog library "lxpmsgbx.dll", which it loads by name only
// while a dialog is needed: skinned message boxes, and the one modeless waiting dialog shown
// while a server request runs.
#pragma once

#include <windows.h>

#include <string>

class CSettingsStore;

// Name of the language module the library is to take its texts from ("lxpresde.dll", ...);
// the wizard sheet sets it from the current dictionary; empty until then.
std::string& SkinResourceModuleName();

// A skinned message box in the skin of the display language; returns the user's answer.
// `store` is not used (the box opens a store of its own). Without the library, or without its
// exports, the framework's message box shows the text instead.
int ShowSkinMessage(const std::string& text, CSettingsStore* store, UINT style);

// Opens the waiting dialog (no buttons, the waiting bar) in the skin of `store`: 1 when a
// dialog was created or the library lacks the export, 0 when nothing was done (one is open
// already, or the library is missing, which the user is told).
int OpenWaitingDialog(const std::string& text, const CSettingsStore& store);
// Passes a new text, or a rectangle to centre on, to the open waiting dialog: 1 when passed
// on, 0 when no waiting dialog exists.
int UpdateWaitingDialog(const std::string& text);
int CenterWaitingDialog(const RECT& rect);
// 1 when the waiting dialog was destroyed, 0 when none existed.
int CloseWaitingDialog();
