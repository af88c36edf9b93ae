#include "XPathQuery.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "CapturedConsole.h"
#include "FakeHttpServer.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

// A node as one line, read through the dictionaries' keys: name (~ when null), (content) when
// not null, [attribute=value] each (no "=" for a null value), {children}.
QString shape(const XPathResultDictionary& node) {
    const QString name = node.stringForKey(u"nodeName"_s);
    const QString content = node.stringForKey(u"nodeContent"_s);
    QString text =
        (name.isNull() ? u"~"_s : name) + (content.isNull() ? u""_s : u'(' + content + u')');
    for (const XPathAttributeDictionary& attribute : node.nodeAttributeArray) {
        const QString key = attribute.stringForKey(u"attributeName"_s);
        const QString value = attribute.stringForKey(u"nodeContent"_s);
        text +=
            u'[' + (key.isNull() ? u"~"_s : key) + (value.isNull() ? u""_s : u'=' + value) + u']';
    }
    QStringList children;
    for (const XPathResultDictionary& child : node.nodeChildArray) {
        children << shape(child);
    }
    return children.isEmpty() ? text : text + u'{' + children.join(u',') + u'}';
}

// Every selected node's shape, or "nil" for no answer; and the console's lines meanwhile.
std::pair<QString, QStringList> query(const QByteArray& document, const QString& expression) {
    CapturedConsole captured;
    const auto result = PerformXMLXPathQuery(document, expression);
    QStringList shapes;
    for (const XPathResultDictionary& node : result.value_or(XPathResultArray())) {
        shapes << shape(node);
    }
    return {result ? shapes.join(u" | ") : u"nil"_s,
            captured.text().split(u'\n', Qt::SkipEmptyParts)};
}

}  // namespace

TEST(XPathQuery, SelectedNodesBecomePlainValuesAndBadInputNone) {
    const struct {
        QByteArray document;
        QString expression;
        QString shapes;
    } cases[] = {
        {"<r><a> \n\tleft  right \n</a></r>", u"//a"_s, u"a(left  right)"_s},
        {"<r><a>x<b/>y</a></r>", u"//a"_s, u"a(xy){b}"_s},
        {"<r><a><![CDATA[  <b>bold</b>  ]]></a></r>", u"//a"_s, u"a{~(  <b>bold</b>  )}"_s},
        {u"<r><a>Pokémon — 東京</a></r>"_s.toUtf8(), u"//a"_s, u"a(Pokémon — 東京)"_s},
        {"<r><m type=\"  shot \n\" url=\" http://x/1.jpg \"/></r>", u"//m"_s,
         u"m[type=shot][url=http://x/1.jpg]"_s},
        {"<r><c n=\"1\"><t>a</t><u>b</u></c><c n=\"2\"/></r>", u"//c"_s,
         u"c[n=1]{t(a),u(b)} | c[n=2]"_s},
        // Slightly malformed documents are recovered.
        {"<r><a>one<a>two</r>", u"//a"_s, u"a(one){a(two)} | a(two)"_s},
        {"<r><price>9.99</price><b>", u"//price"_s, u"price(9.99)"_s},
        // Bad documents or expressions answer nothing, with one console line of their own.
        {"<r/>", u"//a[@"_s, u"nil"_s},
        {"<r><a/></r>", u"count(//a)"_s, u"nil"_s},
        {"", u"//a"_s, u"nil"_s},
        {QByteArray("\x00\x01\x02", 3), u"//a"_s, u"nil"_s},
    };
    for (const auto& each : cases) {
        const auto [shapes, console] = query(each.document, each.expression);
        EXPECT_EQ(shapes, each.shapes) << each.document.toStdString();
        // libxml2's own complaints stay off the console.
        EXPECT_EQ(console.size(), shapes == u"nil"_s ? 1 : 0) << console.join(u'\n').toStdString();
    }
}

// External entities and DTDs are never loaded, nested entities never expanded.
TEST(XPathQuery, EntitiesAreNeitherLoadedNorExpanded) {
    QTemporaryDir dir;
    QFile secret(dir.filePath(u"secret.txt"_s));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly) && secret.write("SECRET") == 6);
    secret.close();
    FakeHttpServer server;
    server.answer(u"/entity"_s, {200, "FETCHED"});
    server.answer(u"/doc.dtd"_s, {200, "<!ENTITY remote \"FETCHED\">"});
    const QString document =
        u"<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"%1\" [\n"
        u"<!ENTITY file SYSTEM \"file://%2\">\n<!ENTITY web SYSTEM \"%3\">\n]>\n"
        u"<r><a>&file;</a><b>&web;</b><c>&remote;</c></r>"_s.arg(
            server.url(u"/doc.dtd"_s), secret.fileName(), server.url(u"/entity"_s));
    const QString shapes = query(document.toUtf8(), u"//r"_s).first;
    EXPECT_TRUE(shapes.startsWith(u"r{a{file"_s)) << shapes.toStdString();
    EXPECT_FALSE(shapes.contains(u"SECRET"_s) || shapes.contains(u"FETCHED"_s));
    EXPECT_TRUE(server.requests().isEmpty());

    // Expanding the nested references would take 10^8 steps.
    QByteArray nested = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e0 \"ha\">";
    for (int i = 1; i <= 8; ++i) {
        nested += "<!ENTITY e" + QByteArray::number(i) + " \"" +
                  QByteArray("&e" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    }
    nested += "<!ENTITY greeting \"hello\">]><r><a>&greeting;</a><b>&e8;</b></r>";
    EXPECT_EQ(query(nested, u"//a"_s).first, u"a{greeting(hello)}"_s);
    EXPECT_EQ(query(nested, u"//b"_s).first, u"b"_s);
}
