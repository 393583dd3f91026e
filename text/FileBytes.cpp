#include "text/FileBytes.h"

#include <cstdio>

bool ReadFileBytes(const char* path, std::string& bytes) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char buffer[4096];
  std::size_t read;
  while ((read = std::fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, read);
  std::fclose(file);
  return true;
}

bool WriteFileBytes(const char* path, const std::string& bytes) {
  std::FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
  return true;
}
