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
};

// [ExtStr] BtnCaptionNNN
enum class ButtonCaption : int {
  Open = 1,
  Close = 2,
  Start = 3,
  Stop = 4,
};
