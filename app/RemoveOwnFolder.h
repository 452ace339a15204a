// The exit clean-up: after an orderly end, a hidden command interpreter waits three seconds and
// removes the program's folder, but only when that folder is the tool's own.
#pragma once
#include <string>
#include <vector>

enum class FolderVerdict {
    Remove,
    NoFolder,          // the module path could not be read or was cut
    DriveRoot,         // "D:" or "\\server\share"
    ShellFolder,       // is or contains a special folder of the shell
    ForeignContent,    // holds anything besides the shipped files
    PercentSign,       // the interpreter would expand it, even between quotation marks
};

// The decision, without side effects. folder: full long path without trailing backslash;
// protectedFolders: full long paths; entries: the names in the folder (without "." and "..",
// subfolders with a trailing backslash); moduleFileName: the executable's bare file name.
FolderVerdict JudgeFolderForRemoval(const std::wstring& folder,
                                    const std::vector<std::wstring>& protectedFolders,
                                    const std::vector<std::wstring>& entries,
                                    const std::wstring& moduleFileName);

// True when ancestor is path or one of its ancestors, component by component, ignoring case.
bool IsSameOrAncestorFolder(const std::wstring& ancestor, const std::wstring& path);

// The command-interpreter parameters that wait and remove folder, given as one quoted argument.
std::wstring BuildRemovalParameters(const std::wstring& folder);

// Judges the running module's folder and, when it is the tool's own, starts its removal. Returns 1.
int RemoveOwnFolder();
