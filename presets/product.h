#pragma once

// The product's name and version, and where its options live in the key store.

#include <string>
#include <string_view>

constexpr std::string_view ProductName = "Opal Revel";
constexpr std::string_view ProductVersion = "2.0";
// Product name, a blank, version: the application title and the editor's caption.
inline const std::string ProductTitle = std::string(ProductName) + " " + std::string(ProductVersion);

// Key paths of the store: base key + "Values" and base key + "Paths".
inline const std::string RegistryBaseKey = "Software\\Tallow Engines\\" + std::string(ProductName) + "\\";
inline const std::string ValuesKeyPath = RegistryBaseKey + "Values";
inline const std::string PathsKeyPath = RegistryBaseKey + "Paths";
