// A test fixture that gives every test a fresh temporary directory, removed afterwards.
#pragma once

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class TempDirTest : public testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vantorel-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { (void)std::system(("rm -rf " + dir_).c_str()); }

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(Path(name), std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const { return Slurp(Path(name)); }
  bool Exists(const std::string& name) const {
    struct stat st;
    return lstat(Path(name).c_str(), &st) == 0;
  }
  // The names in the directory, sorted, so that a stray file shows.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string dir_;
};
