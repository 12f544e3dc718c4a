#pragma once

#include <QString>
#include <QStringList>

// Where the wizard works: the folder it reads the update file (kst.hex,
// kst.a90) and the cabling picture (kst_PC.bmp) from. Started in a terminal
// it is the working directory; started from the desktop's menu
// ("vanto-update --desktop") it is a folder of its own in the user's
// documents, made on first start; given a file (the file manager's "Open
// With", or a terminal) it is that file's folder.
struct SStartOptions {
    bool bDesktop = false;  // --desktop: started by the menu entry
    QString strFile;        // the file (or folder) named on the command line, "" if none
};

// The folder of the menu start: "VANTO Updater" in the documents folder of
// the XDG user dirs (~/Documents unless user-dirs.dirs says otherwise), or in
// the home folder when there is no documents folder.
inline constexpr const char* kDesktopFolderName = "VANTO Updater";

// The arguments Qt left (its own options taken out, the program's name
// first): --desktop and at most one file, in any order. False with a
// message for anything else.
bool ParseStartArguments(const QStringList& args, SStartOptions* pOptions, QString* pError);

// Makes the start folder the working directory: the file's folder (the
// folder itself when a folder is named), else for --desktop the menu start's
// folder, created (with its parents) when missing; without either nothing
// changes. Returns the folder taken, "" when nothing changed; false with a
// message when the folder could not be made or entered (the working
// directory is then left as it was).
bool EnterStartFolder(const SStartOptions& options, QString* pFolder, QString* pError);
