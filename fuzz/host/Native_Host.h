// The native build's stand-in for the system side (see Native_Host.cpp):
// the files the configuration store reads come from memory.
#pragma once

#include <string>
#include <string_view>

namespace Native_Host {

// The bytes a later read of sFile returns; a file never put is missing.
void PutFile(std::wstring_view sFile, std::string_view sBytes);
void ClearFiles();

}  // namespace Native_Host
