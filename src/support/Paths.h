#pragma once

#include <cstdint>
#include <string>

// Path and folder helpers.
//
// Paths the program writes use '/'. Paths read from stored files (projects made on another
// system, old settings) may use '\' as well; every helper here that takes a path treats both
// characters as separators, and every path it returns uses '/'. Folder paths returned by the
// folder helpers end in '/'.

// ---- Well-known folders ------------------------------------------------------------------

// The folder of the running executable (from /proc/self/exe), ending in '/'; "" if unknown.
std::string GetExeDirectory();
// The user's documents folder: XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs (default
// ~/.config/user-dirs.dirs), else ~/Documents when it exists, else the home folder. Ends in '/';
// "" when not even the home folder is known.
std::string GetMyDocumentsPath();
// Per-user application data: $XDG_DATA_HOME, else ~/.local/share. Ends in '/'; "" if unknown.
std::string GetCurrentUserAppDataPath();
// Data shared by every user of the machine: "/usr/local/share/", the customary place of data
// for software installed by the administrator. Ordinary users usually cannot write there;
// callers that must write check CreateMultiLevelDir's result and carry on without it.
std::string GetCommonAppDataPath();
// The user's home folder ($HOME, else the password database), ending in '/'; "" if unknown.
std::string GetHomeDirectory();

// ---- File system -------------------------------------------------------------------------

// Creates every missing level of the folder path (separators '/' or '\'). True when the folder
// exists afterwards.
bool CreateMultiLevelDir(const std::string& path);
// True when the path names an existing folder.
bool IsValidDirectory(const std::string& path);
// True when the path names an existing file that is not a folder.
bool DoesFileExist(const std::string& path);
// Free space, in kilobytes, available to this user on the file system holding the path
// (the nearest existing parent folder of it is asked when the path itself does not exist yet);
// -1 when unknown.
int64_t GetKBFree(const std::string& path);

// ---- Text conversion ---------------------------------------------------------------------

// Wide text to UTF-8. Code points that are not valid (surrogates, beyond U+10FFFF) become
// U+FFFD.
std::string ConvertUnicodeToSingleByte(const std::wstring& text);
// UTF-8 to wide text. Every byte that does not begin a valid UTF-8 sequence becomes U+FFFD;
// never reads past the end.
std::wstring ConvertSingleByteToUnicode(const std::string& text);

// ---- Path text ---------------------------------------------------------------------------

// Replaces every '\' with '/'.
std::string ToNativeSeparators(const std::string& path);
// ToNativeSeparators, then collapses repeated separators, "." segments and ".." segments
// (a ".." above the root of an absolute path is dropped; leading ".." segments of a relative
// path are kept). A trailing separator is kept. "" stays ""; a relative path that collapses to
// nothing becomes ".".
std::string NormalizePath(const std::string& path);
// True for "/..." and for a drive path of another system ("C:\..." or "C:/...").
bool IsAbsolutePath(const std::string& path);
// The relative path resolved against the base and normalized. The base is a folder when it ends
// in a separator or names an existing folder; otherwise it is taken as a file (a project file)
// and its folder is used. An absolute "relative" path is only normalized. "" when the relative
// path is empty or the base is not absolute.
std::string RelativeToAbsolute(const std::string& relative, const std::string& base);
// The path as given when it is absolute or empty, else resolved against the current folder
// and normalized. Every path that enters the program (command line, drops, dialogs) goes
// through this, so that nothing later depends on the folder the program was started in.
std::string MakeAbsolutePath(const std::string& path);
// The absolute path written relative to the base (a folder or a file, as above), with "../"
// steps where it lies outside the base's folder; "." when it is that folder. "" when either
// path is not absolute or they are drive paths on different drives.
std::string AbsoluteToRelative(const std::string& absolute, const std::string& base);
// Everything up to and including the last separator ("/a/b/c.wav" -> "/a/b/"); "" when there
// is no separator.
std::string ExtractDirectory(const std::string& path);
// Everything after the last separator ("/a/b/c.wav" -> "c.wav"; "/a/b/" -> "").
std::string ExtractFileName(const std::string& path);
// The file name's extension without the period ("c.tar.gz" -> "gz"). "" for no extension, for a
// name ending in a period, and for dot files such as ".hidden".
std::string ExtractExtension(const std::string& path);
// True when the file's extension equals ext, ignoring ASCII case; ext may carry a leading period
// (".wav" and "wav" both match "x.WAV"). An empty ext matches a file without extension.
bool HasFileExtension(const std::string& path, const std::string& ext);
// The path without its file name's extension. With removePeriod false the period that began the
// extension is kept ("a/b.wav" -> "a/b."); a name without an extension is returned unchanged
// either way.
std::string RemoveExtensionFromFile(const std::string& path, bool removePeriod = true);
// A path that does not exist yet: the path itself when free, else the name with
// separator + number inserted before the extension, counting up from firstNumber
// ("/r/02 Guitar.wav" -> "/r/02 Guitar-1.wav"). "" when no free name is found.
std::string UniqueFileName(const std::string& path, int firstNumber = 1, char separator = '-');
// A file name (not a path) safe to create here and on the common removable-media file systems:
// control characters and / \ : * ? " < > | become the replacement character (itself replaced by
// '_' when it is one of those), a name longer than 255 bytes is cut at a UTF-8 character
// boundary, and a name that would be empty or only periods becomes "_".
std::string ValidateFileName(const std::string& name, char replacement = ' ');
