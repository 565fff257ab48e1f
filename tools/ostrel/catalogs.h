#pragma once
// The SAT's catalogs as data files beside the program: UTF-8 lines
// "catalog|code|description" ("#" lines and blank lines ignored; a description
// may itself hold "|", as the amount-in-words currency names do).
#include <string>
#include <unordered_map>

struct Catalogs {
    std::unordered_map<std::string, std::string> entries;  // catalog, '\x1f', code -> description
};

// Adds the entries of one file; false when it cannot be read.
bool catalogs_load(Catalogs& catalogs, const std::string& path);
void catalogs_add(Catalogs& catalogs, const std::string& catalog, const std::string& code,
                  const std::string& description);
// The description, or null when the catalog does not list the code.
const std::string* catalog_find(const Catalogs& catalogs, const std::string& catalog, const std::string& code);
// "code - description"; a code the catalog lacks as it is; empty stays empty; a
// description that only repeats the code is not repeated.
std::string catalog_text(const Catalogs& catalogs, const std::string& catalog, const std::string& code);
