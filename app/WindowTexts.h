#pragma once

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
  // The analysis page. A language file older than the page lacks these: the page then shows
  // the English of AnalysisFallback().
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
};

// The English of a numbered text of the analysis page; empty for the others.
const char* AnalysisFallback(WindowText text);

// [ExtStr] BtnCaptionNNN
enum class ButtonCaption : int {
  Open = 1,
  Close = 2,
  Start = 3,
  Stop = 4,
};
