#pragma once

#include <QString>

// The cleaners for text that comes from the web and the catalogue files: URL escapes, HTML tags
// and entities. StringFunctions offers them under the same names. A null text is "nothing", and
// every result but escapeString's of a null text is non-null. Pure functions: any thread.
class HTMLText {
public:
    // Percent-escapes (UTF-8, upper-case hex) everything but ASCII letters, digits and
    // & = ? / : ; + , $ @ ! ' ( ) * ~ - _ . #
    static QString escapeString(const QString& text);
    // Strict UTF-8 percent decoding (kept undecoded when it fails), then %3C, %3E, &#60; and
    // &#62; become "<" and ">" regardless of case.
    static QString unescapeString(const QString& text);
    // Each "<...>" tag becomes one blank, then "  " becomes " " in a single pass. A text
    // without "<" comes back unchanged.
    static QString replaceHTMLTags(const QString& text);
    // unescapeString(), then the percent, numeric-entity and named-entity tables, each applied
    // only when the text as passed in contains its trigger: "%", "&#" and "&" in that order.
    static QString replaceKnownExtraHTMLEscapedValues(const QString& text);

    // The three cleaners in turn, as a catalogue field is cleaned before it is stored:
    // unescapeString, replaceHTMLTags, replaceKnownExtraHTMLEscapedValues.
    static QString cleaned(const QString& text);
};
