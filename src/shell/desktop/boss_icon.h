#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace stakor {

// The icon the disguise shows, taken from what the player named: an icon
// file (the picture at `number` of a .ico, counted from 0), a PNG, SVG or XPM
// picture, a desktop entry (its Icon= looked up in the icon theme), or the
// name of an icon of the theme, or a Windows program or library (its icon
// resources). Null when the file gives no icon; a missing, huge, unreadable or
// damaged file gives none quietly and never blocks.
QIcon BossIconFromFile(const QString& file, int number);

// The icon at `number` of a Windows program or library (.exe, .dll), as the
// bytes of an icon file holding that group's pictures; empty when there is
// none. Every offset and size in the program is checked against the bytes
// given, so a damaged file gives nothing rather than a read beyond them.
QByteArray IconFileFromProgram(const QByteArray& program, int number);

// The disguise icon: what the file gives, else a text editor's icon of the
// desktop's theme, else a plain sheet of paper drawn here. Never the game's
// own icon.
QIcon BossIcon(const QString& file, int number);

// A text editor's icon as a plausible stand-in: from the icon theme, else a
// plain sheet drawn here. Never null.
QIcon StandInIcon();

// An icon of the theme by name. Qt's own lookup is tried first; then the
// icon folders of the desktop are searched (Qt knows no theme on a bare X
// server). Null when no theme has it.
QIcon ThemeIcon(const QString& name, const QStringList& iconDirs = {});

} // namespace stakor
