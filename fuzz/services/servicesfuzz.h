// Shared set-up of the services fuzz targets: a private temporary folder behind "user:" (and a
// levels file inside it), and helpers to put the input in place and compare written files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Game::servicesfuzz
{

// Makes the folder once per process; later calls only return it.
const std::string& UserFolder();
// Writes the bytes as a file of the user folder.
void WriteUserFile(const char* name, const uint8_t* data, size_t size);
std::string ReadUserFile(const char* name);
void RemoveUserFile(const char* name);
// Aborts (so the fuzzer reports it) when the two texts differ.
void ExpectSame(const std::string& a, const std::string& b, const char* what);

}  // namespace Game::servicesfuzz