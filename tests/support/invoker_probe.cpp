// Takes the launcher's place in a process tree.
//   invoker_probe <name>                     copies the executable of its grandparent
//                                            into the self-repair folder as <name>, as
//                                            the launcher does with its package; exit
//                                            code 1 when it copied, 0 when not
//   invoker_probe /spawn <program> <args...> an intermediate process: runs program
//                                            with args, waits, and exits with its exit
//                                            code (259 if it ran past 30 s)
#include <windows.h>

#include <cwchar>
#include <string>

#include "platform/process_control.h"

namespace {

int Spawn(int argc, wchar_t** argv) {
    std::wstring command;
    for (int i = 2; i < argc; ++i) {
        command += (i > 2 ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
    }
    DWORD exit_code = 0;
    return zu::RunAndWait(command, &exit_code) ? static_cast<int>(exit_code) : 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc >= 3 && std::wcscmp(argv[1], L"/spawn") == 0) {
        return Spawn(argc, argv);
    }
    if (argc != 2) {
        return 2;
    }
    return zu::CopyInvokerImage(argv[1]) ? 1 : 0;
}
