#pragma once
// The per-user settings store of the window program: an INI file of organisation
// "Mossgate" and application "QN" in the user's configuration folder, and the removal of
// the settings that version 1.0 kept under organisation "FERNHILL". Only locations and
// removal live here; the sections and values are their users' (render view, recent files).

#include <QSettings>
#include <memory>

// The store, opened afresh; writes reach the file when it is destroyed.
std::unique_ptr<QSettings> openUserSettings();

// Deletes everything of organisation "FERNHILL" beside the store (its INI file and its
// folder). True only when something existed and was deleted.
bool deleteLegacySettings();
