// Writing into folders the user's unelevated programs can change: a junction or symbolic link
// for a folder, or a link planted where a file is to be written, would lead the elevated tool's
// writes elsewhere. Only calls that Windows XP has.
#pragma once
#include "fw/Handle.h"

#include <windows.h>
#include <string>

// Whether a folder entry (its attributes, and the reparse tag FindFirstFileW gives in
// dwReserved0) stands for another name: a junction or a symbolic link. A cloud placeholder, such
// as a OneDrive desktop, does not.
bool IsNameSurrogate(DWORD attributes, DWORD reparseTag);

enum class FolderHold { Held, Link, Unopenable };
// Opens an existing folder without sharing deletion, so that it can be neither renamed nor
// replaced while the handle lives; a junction or symbolic link is refused and not kept open.
FolderHold HoldFolder(const std::wstring& path, CHandle& folder);

// Clears the name for a copy onto it: judged on the name itself, a reparse point or a file with
// more than one link is deleted (it is only a name in the folder), never written through. True
// when nothing or a plain file is there, or the link is gone.
bool ClearLinkAt(const std::wstring& path);
