// The companion's files in the all-users application-data folder: the feedback records and the
// call log. Never beside the executable, whose folder is removed when the tool ends.
#pragma once
#include <string>

// "<common application data>\Drovanix\Feedback" (the temporary folder when that folder is
// unknown), created when missing; without trailing backslash.
std::wstring DataFolder();

// Appends one UTF-8 line ended by CR LF; false when the file cannot be written.
bool AppendCallLogLine(const std::wstring& line);
bool AppendFeedbackRecord(const std::wstring& line);

// Local time as "yyyy-mm-dd hh:mm:ss.mmm".
std::wstring NowStamp();
// Seconds since 1970 (UTC), low 32 bits as a signed decimal number.
std::wstring NowSecondsText();

// A string argument for the call log: quoted, C-escaped, cut at 1024 characters; null as null.
std::wstring QuoteArgument(const wchar_t* text);
// A record field value: control characters become blanks, cut at 4096 characters; null as "".
std::wstring RecordValue(const wchar_t* text);
