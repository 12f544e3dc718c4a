#pragma once

#include <cstdint>

class CUpdateEngine;

// The steps of CUpdateEngine::LoadUpdateImage on a file of the caller's
// choosing (vanto-flash info --file): resets the block-sending fields, opens
// pszName in nFormat, counts its blocks into m_nBlockCount and rewinds it.
// True when the file is open, counted and ready; false with no file open.
bool LoadUpdateImageFile(CUpdateEngine& engine, const char* pszName, uint8_t nFormat);
