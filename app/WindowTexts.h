#pragma once

#include <QString>

// The numbered texts of a language file that the window shows by number, named by what they
// say in the shipped English file. The grid's column headers are numbered by column instead.

// [ExtStr] TextNNN
enum class WindowText : int {
  LinkOpened = 1,
  LinkClosed = 2,
  RebootQuestion = 3,
  BoxTitle = 4,
  GettingGateway = 10,
  GatewayRequired = 11,
  InvalidInput = 12,
  StaticAddressRequired = 13,
  InvalidPort = 14,
  Exported = 15,
  ExportTitle = 16,
  // Texts newer than the first language files: a file that lacks one gets the English of
  // EnglishFallback() instead.
  // The analysis page.
  AntennaColumn = 17,
  TagsColumn = 18,
  ReadsColumn = 19,
  RateNowColumn = 20,
  RateMeanColumn = 21,
  SignalMinColumn = 22,
  SignalMeanColumn = 23,
  SignalMaxColumn = 24,
  RatesChart = 25,
  SignalChart = 26,
  NoRecipe = 27,
  Pass = 28,
  Fail = 29,
  NotYetSeen = 30,
  VerdictSaved = 31,
  RecipeFilter = 32,
  Seconds = 33,
  // What a screen reader says for controls that have no caption of their own.
  PagesName = 34,
  LogName = 35,
  CurrentTagName = 36,
  TagCountName = 37,
  TagListName = 38,
  AddressRule = 39,
  DigitsRule = 40,
};

// The English of a numbered text newer than the first language files; empty for the others.
const char* EnglishFallback(WindowText text);
// `shown`, the text as the language gave it, or the English where the language had none.
QString TextOrEnglish(const QString& shown, WindowText text);

// [ExtStr] BtnCaptionNNN
enum class ButtonCaption : int {
  Open = 1,
  Close = 2,
  Start = 3,
  Stop = 4,
};
