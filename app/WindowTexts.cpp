#include "WindowTexts.h"

const char* EnglishFallback(WindowText text) {
  switch (text) {
    case WindowText::AntennaColumn:
      return "Antenna";
    case WindowText::TagsColumn:
      return "Tags";
    case WindowText::ReadsColumn:
      return "Reads";
    case WindowText::RateNowColumn:
      return "Reads/s now";
    case WindowText::RateMeanColumn:
      return "Reads/s mean";
    case WindowText::SignalMinColumn:
      return "RSSI min";
    case WindowText::SignalMeanColumn:
      return "RSSI mean";
    case WindowText::SignalMaxColumn:
      return "RSSI max";
    case WindowText::RatesChart:
      return "Reads per second per antenna";
    case WindowText::SignalChart:
      return "RSSI of the tag selected in the read test";
    case WindowText::NoRecipe:
      return "No recipe loaded";
    case WindowText::Pass:
      return "PASS";
    case WindowText::Fail:
      return "FAIL";
    case WindowText::NotYetSeen:
      return "Expected tags not yet seen:";
    case WindowText::VerdictSaved:
      return "The verdict has been saved:";
    case WindowText::RecipeFilter:
      return "Recipe (*.ini)";
    case WindowText::Seconds:
      return "s";
    case WindowText::PagesName:
      return "Pages";
    case WindowText::LogName:
      return "Log";
    case WindowText::CurrentTagName:
      return "Current tag";
    case WindowText::TagCountName:
      return "Tag count";
    case WindowText::TagListName:
      return "Tag list";
    case WindowText::AddressRule:
      return "Four numbers from 0 to 255, separated by dots";
    case WindowText::DigitsRule:
      return "Digits only";
    default:
      return "";
  }
}

QString TextOrEnglish(const QString& shown, WindowText text) {
  return shown.isEmpty() || shown == QStringLiteral("***")
             ? QString::fromUtf8(EnglishFallback(text))
             : shown;
}
