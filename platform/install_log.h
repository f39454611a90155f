#pragma once

namespace zu {

// "<ProgramData>\Koru Corporation\ZEMI Update\ZUSUInstallLog.txt": why automatic
// runs were refused. Survives refused runs; a completed run removes it.
class InstallLog {
  public:
    // Appends one entry " H:M:S:mmm => text", CR LF, CR LF, with the local time
    // (hour in two places, milliseconds in three, space-filled). format is a
    // printf-style wide format. Failures are silent.
    static void Write(const wchar_t* format, ...);

    // Deletes the log file; a missing file is fine.
    static void Remove();
};

}  // namespace zu
