#pragma once

#include <string>

// The program's log: one file, one line per call. Logging never fails
// visibly: when the file cannot be opened or written, lines are dropped.
// Every function is safe to call from several threads at once.

// Opens (appending) the log file. Until it is called, lines go nowhere
// except to an active LogCapture.
bool LogInit(const std::string& path);
// Closes the log file; later lines go nowhere until LogInit is called again.
void LogClose();

void Log(const char* text);
void LogFmt(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Status lines: the process's resident memory and the machine's available memory,
// and the free space on the disk that holds the log.
void LogCurrentMemory();
void LogCurrentHardDriveSpace();

class LogCapture;
// Used by LogCapture to see every line while it lives.
void LogAttachCapture(LogCapture* capture);
void LogDetachCapture(LogCapture* capture);
