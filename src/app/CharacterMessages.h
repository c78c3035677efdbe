#pragma once

#include <QString>

// A message box the entry checks show: information icon, one OK button. Lines of the text
// are joined with "\n"; leading and trailing spaces are part of the texts.
struct InformationMessage {
    QString title;
    QString text;
};

// How the list of characters is introduced: "following" everywhere, except in the main
// window's leaving check, which has always said "fellowing" (operators' notes quote it).
enum class Wording { Following, Fellowing };

// "Use the following characters only:   ", then the lines of characters.
[[nodiscard]] InformationMessage CharacterListMessage(const QString &title,
                                                      const QString &characters,
                                                      Wording wording = Wording::Following);

// The characters of the standard 7-bit format (track 1's) for 7 bits, else those of the 5-bit
// format (tracks 2 and 3): " 7-Bit Character (Std T1) Format Error" or
// " 5-Bit Character (Std T2/T3) Format Error".
[[nodiscard]] InformationMessage StandardFormatMessage(int bits,
                                                       Wording wording = Wording::Following);
