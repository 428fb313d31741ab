#include "platform/input/KeyNames.h"

#include <array>

namespace dinput {

namespace {

struct KeyNameEntry {
  uint8_t code;
  const char16_t* name;
};

// Main block, numeric pad and function keys in their scan-code order; the codes with the
// extended prefix sit at 0x80 above their plain key.
constexpr KeyNameEntry kKeyNames[] = {
    {0x01, u"Esc"},          {0x02, u"1"},            {0x03, u"2"},
    {0x04, u"3"},            {0x05, u"4"},            {0x06, u"5"},
    {0x07, u"6"},            {0x08, u"7"},            {0x09, u"8"},
    {0x0A, u"9"},            {0x0B, u"0"},            {0x0C, u"-"},
    {0x0D, u"="},            {0x0E, u"Backspace"},    {0x0F, u"Tab"},
    {0x10, u"Q"},            {0x11, u"W"},            {0x12, u"E"},
    {0x13, u"R"},            {0x14, u"T"},            {0x15, u"Y"},
    {0x16, u"U"},            {0x17, u"I"},            {0x18, u"O"},
    {0x19, u"P"},            {0x1A, u"["},            {0x1B, u"]"},
    {0x1C, u"Enter"},        {0x1D, u"Ctrl"},         {0x1E, u"A"},
    {0x1F, u"S"},            {0x20, u"D"},            {0x21, u"F"},
    {0x22, u"G"},            {0x23, u"H"},            {0x24, u"J"},
    {0x25, u"K"},            {0x26, u"L"},            {0x27, u";"},
    {0x28, u"'"},            {0x29, u"`"},            {0x2A, u"Shift"},
    {0x2B, u"\\"},           {0x2C, u"Z"},            {0x2D, u"X"},
    {0x2E, u"C"},            {0x2F, u"V"},            {0x30, u"B"},
    {0x31, u"N"},            {0x32, u"M"},            {0x33, u","},
    {0x34, u"."},            {0x35, u"/"},            {0x36, u"Right Shift"},
    {0x37, u"Num *"},        {0x38, u"Alt"},          {0x39, u"Space"},
    {0x3A, u"Caps Lock"},    {0x3B, u"F1"},           {0x3C, u"F2"},
    {0x3D, u"F3"},           {0x3E, u"F4"},           {0x3F, u"F5"},
    {0x40, u"F6"},           {0x41, u"F7"},           {0x42, u"F8"},
    {0x43, u"F9"},           {0x44, u"F10"},          {0x45, u"Num Lock"},
    {0x46, u"Scroll Lock"},  {0x47, u"Num 7"},        {0x48, u"Num 8"},
    {0x49, u"Num 9"},        {0x4A, u"Num -"},        {0x4B, u"Num 4"},
    {0x4C, u"Num 5"},        {0x4D, u"Num 6"},        {0x4E, u"Num +"},
    {0x4F, u"Num 1"},        {0x50, u"Num 2"},        {0x51, u"Num 3"},
    {0x52, u"Num 0"},        {0x53, u"Num Del"},      {0x56, u"<>"},
    {0x57, u"F11"},          {0x58, u"F12"},          {0x64, u"F13"},
    {0x65, u"F14"},          {0x66, u"F15"},          {0x70, u"Kana"},
    {0x73, u"Ro"},           {0x79, u"Convert"},      {0x7B, u"No Convert"},
    {0x7D, u"Yen"},          {0x90, u"^"},            {0x91, u"@"},
    {0x92, u":"},            {0x93, u"_"},            {0x94, u"Kanji"},
    {0x9C, u"Num Enter"},    {0x9D, u"Right Ctrl"},   {0xB3, u"Num ,"},
    {0xB5, u"Num /"},        {0xB7, u"Prnt Scrn"},    {0xB8, u"Right Alt"},
    {0xC5, u"Pause"},       {0xC7, u"Home"},         {0xC8, u"Up"},
    {0xC9, u"Page Up"},      {0xCB, u"Left"},         {0xCD, u"Right"},
    {0xCF, u"End"},          {0xD0, u"Down"},         {0xD1, u"Page Down"},
    {0xD2, u"Insert"},       {0xD3, u"Delete"},       {0xDB, u"Left Windows"},
    {0xDC, u"Right Windows"}, {0xDD, u"Application"},
};

constexpr std::array<const char16_t*, 256> buildTable() {
  std::array<const char16_t*, 256> table{};
  for (const KeyNameEntry& entry : kKeyNames) table[entry.code] = entry.name;
  return table;
}

constexpr std::array<const char16_t*, 256> kTable = buildTable();

}  // namespace

const char16_t* keyName(uint32_t code) { return code < kTable.size() ? kTable[code] : nullptr; }

}  // namespace dinput
