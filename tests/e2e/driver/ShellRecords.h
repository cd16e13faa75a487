// What the shell recorder (the http handler of the test prefix) wrote: one
// command line per address that the viewer handed the shell.
#pragma once

#include <string>
#include <vector>

class ShellRecords {
public:
    // A fresh, empty record file at path (a Windows path, handed to the
    // viewer as QB_RECORDER_LOG and inherited by the recorder).
    explicit ShellRecords(std::wstring path);
    const std::wstring& Path() const { return path_; }
    void Clear() const;
    // The argument of each recorded command line, the recorder's own
    // quoted path taken off.
    std::vector<std::string> Addresses() const;
    // Waits until `count` addresses are recorded, and then a while longer
    // for any that should not come.
    std::vector<std::string> Settle(size_t count) const;

private:
    std::wstring path_;
};

std::string ListText(const std::vector<std::string>& items);
