// A Windows program around the desktop's Win32 file code, built by the MinGW cross-compiler
// (tools/dev.sh windows): building it checks that code against the real Windows headers and
// libraries; run on Windows, it replaces a file twice and reads it back.

#include "ui/win32files.h"

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

using namespace brackwell;

namespace {

int failed(const char *what)
{
    std::printf("FAIL: %s\n", what);
    return 1;
}

std::string contents(const std::wstring &path)
{
    std::ifstream file(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

} // namespace

int main()
{
    wchar_t folder[MAX_PATH];
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH)
        return failed("no temporary folder");
    const std::wstring target = std::wstring(folder, length) + L"brackwell-wincheck.cfg";
    int next = 0;
    const auto temporaryName = [&] { return target + L"." + std::to_wstring(++next) + L".tmp"; };

    for (const std::string text : {"seta a \"1\"\r\n", "seta b \"2\"\r\n\r\n"}) {
        if (win32::replaceFile(target, text.data(), text.size(), temporaryName))
            return failed("replacing the file");
        if (contents(target) != text)
            return failed("reading the file back");
    }
    DeleteFileW(target.c_str());

    const std::wstring missing = std::wstring(folder, length) + L"brackwell-no-such-folder\\autoexec.cfg";
    const auto failure = win32::replaceFile(missing, "x", 1, [&] { return missing + L".tmp"; });
    if (!failure || win32::oneClickCode(failure->error) != 3)
        return failed("a missing folder reads as \"Invalid filename\"");

    if (win32::currentDriveRoot().empty())
        return failed("the current drive's root");
    std::printf("ok\n");
    return 0;
}
