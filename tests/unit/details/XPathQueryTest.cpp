#include "XPathQuery.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <QFile>
#include <QTemporaryDir>
#include <string>

#include "CapturedConsole.h"
#include "FakeHttpServer.h"
#include "QStringPrinter.h"

using namespace Qt::StringLiterals;

namespace {

// The query's result and what it wrote on the console.
struct QueryRun {
    std::optional<XPathResultArray> result;
    std::string console;
};

QueryRun query(const QByteArray& document, const QString& expression) {
    CapturedConsole captured;
    QueryRun run{PerformXMLXPathQuery(document, expression), {}};
    run.console = captured.text().toStdString();
    return run;
}

// The "nodeName" and "nodeContent" of every selected node, in order.
QList<std::pair<QString, QString>> namesAndContents(const QueryRun& run) {
    QList<std::pair<QString, QString>> found;
    for (const XPathResultDictionary& node : run.result.value_or(XPathResultArray())) {
        found.append({node.nodeName, node.nodeContent});
    }
    return found;
}

// The only node the query selects.
XPathResultDictionary single(const QByteArray& document, const QString& expression) {
    const QueryRun run = query(document, expression);
    EXPECT_TRUE(run.result.has_value());
    EXPECT_EQ(run.result ? run.result->size() : 0u, 1u);
    return run.result && !run.result->empty() ? run.result->front() : XPathResultDictionary();
}

}  // namespace

TEST(XPathQueryText, ElementTextIsTrimmedAtTheEndsButKeptInside) {
    const auto node = single("<r><a> \n\tleft  right \n</a></r>", u"//a"_s);
    EXPECT_EQ(node.nodeName, u"a"_s);
    EXPECT_EQ(node.nodeContent, u"left  right"_s);
    EXPECT_TRUE(node.nodeChildArray.empty());
    EXPECT_TRUE(node.nodeAttributeArray.empty());
}

TEST(XPathQueryText, TextAroundAnEmptyChildIsJoinedAndTheChildKeepsOnlyItsName) {
    const auto node = single("<r><a>x<b/>y</a></r>", u"//a"_s);
    EXPECT_EQ(node.nodeContent, u"xy"_s);
    ASSERT_EQ(node.nodeChildArray.size(), 1u);
    const XPathResultDictionary& b = node.nodeChildArray[0];
    EXPECT_EQ(b.nodeName, u"b"_s);
    EXPECT_TRUE(b.nodeContent.isNull());
    EXPECT_TRUE(b.nodeChildArray.empty());
    EXPECT_TRUE(b.nodeAttributeArray.empty());
}

TEST(XPathQueryText, WhitespaceOnlyTextGivesEmptyContentAndNoChildrenGiveNone) {
    const auto blank = single("<r><a>  \n  </a></r>", u"//a"_s);
    EXPECT_FALSE(blank.nodeContent.isNull());
    EXPECT_TRUE(blank.nodeContent.isEmpty());
    const auto empty = single("<r><a/></r>", u"//a"_s);
    EXPECT_EQ(empty.nodeName, u"a"_s);
    EXPECT_TRUE(empty.nodeContent.isNull());
}

TEST(XPathQueryText, CdataChildKeepsItsTextUntrimmedInAChildOfItsOwn) {
    const auto node = single("<r><a><![CDATA[  <b>bold</b>  ]]></a></r>", u"//a"_s);
    EXPECT_TRUE(node.nodeContent.isNull());
    ASSERT_EQ(node.nodeChildArray.size(), 1u);
    EXPECT_EQ(node.nodeChildArray[0].nodeContent, u"  <b>bold</b>  "_s);
}

TEST(XPathQueryText, CdataBetweenLineBreaksLeavesTheElementAnEmptyContentOfItsOwn) {
    const auto node = single("<r><a>\n<![CDATA[inside]]>\n</a></r>", u"//a"_s);
    EXPECT_EQ(node.nodeContent, u""_s);
    EXPECT_FALSE(node.nodeContent.isNull());
    ASSERT_EQ(node.nodeChildArray.size(), 1u);
    EXPECT_EQ(node.nodeChildArray[0].nodeContent, u"inside"_s);
}

TEST(XPathQueryText, SelectedTextNodesAreNamedTextAndKeepTheirBlanks) {
    const QueryRun run = query("<r><a> one </a><a>two </a></r>", u"//a/text()"_s);
    EXPECT_EQ(namesAndContents(run), (QList<std::pair<QString, QString>>{{u"text"_s, u" one "_s},
                                                                         {u"text"_s, u"two "_s}}));
}

TEST(XPathQueryText, NonAsciiTextSurvivesTheRoundTrip) {
    const auto node = single(u"<r><a>Pokémon — 東京</a></r>"_s.toUtf8(), u"//a"_s);
    EXPECT_EQ(node.nodeContent, u"Pokémon — 東京"_s);
}

TEST(XPathQueryAttributes, AttributesComeInOrderWithTrimmedValues) {
    const auto media = single(
        "<r><media type=\"  screenshot \n\" urlPath=\" http://x/1.jpg \"/></r>", u"//media"_s);
    ASSERT_EQ(media.nodeAttributeArray.size(), 2u);
    EXPECT_EQ(media.nodeAttributeArray[0].attributeName, u"type"_s);
    EXPECT_EQ(media.nodeAttributeArray[0].nodeContent, u"screenshot"_s);
    EXPECT_EQ(media.nodeAttributeArray[1].attributeName, u"urlPath"_s);
    EXPECT_EQ(media.nodeAttributeArray[1].nodeContent, u"http://x/1.jpg"_s);
    EXPECT_EQ(AttributeValueFromXPathResultDictionary(media, u"nodeContent"_s), u"screenshot"_s);
    EXPECT_EQ(AttributeValueFromXPathResultDictionary(media, u"attributeName"_s), u"type"_s);
    EXPECT_TRUE(AttributeValueFromXPathResultDictionary(media, u"nodeName"_s).isNull());
    const auto first = AttributeDictFromXPathResultDictionary(media);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->attributeName, u"type"_s);
}

TEST(XPathQueryAttributes, NodeWithoutAttributesAnswersNothing) {
    const auto node = single("<r><a>v</a></r>", u"//a"_s);
    EXPECT_FALSE(AttributeDictFromXPathResultDictionary(node));
    EXPECT_TRUE(AttributeValueFromXPathResultDictionary(node, u"nodeContent"_s).isNull());
}

TEST(XPathQueryAttributes, EmptyAttributeHasEmptyContent) {
    const auto node = single("<r><a type=\"\" b=\"1\"/></r>", u"//a"_s);
    ASSERT_EQ(node.nodeAttributeArray.size(), 2u);
    EXPECT_EQ(node.nodeAttributeArray[0].attributeName, u"type"_s);
    EXPECT_EQ(node.nodeAttributeArray[0].nodeContent, u""_s);
    EXPECT_FALSE(node.nodeAttributeArray[0].nodeContent.isNull());
}

TEST(XPathQueryAttributes, SelectedAttributeNodesGiveTheirNameAndValue) {
    // An attribute is not laid out as an element: only its name and text may be read.
    const QueryRun run = query("<r><a type=\" x \"/><a type=\"y\"/></r>", u"//a/@type"_s);
    EXPECT_EQ(namesAndContents(run),
              (QList<std::pair<QString, QString>>{{u"type"_s, u"x"_s}, {u"type"_s, u"y"_s}}));
    EXPECT_TRUE(run.result && (*run.result)[0].nodeAttributeArray.empty());
}

TEST(XPathQueryResults, NoMatchIsAnEmptyArrayWithoutAMessage) {
    const QueryRun run = query("<r><a/></r>", u"//missing"_s);
    ASSERT_TRUE(run.result);
    EXPECT_TRUE(run.result->empty());
    EXPECT_EQ(run.console, "");
}

TEST(XPathQueryResults, ResultsComeInDocumentOrderAndNestChildren) {
    const QueryRun run = query("<r><c n=\"1\"><t>a</t><u>b</u></c><c n=\"2\"/></r>", u"//c"_s);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.result->size(), 2u);
    EXPECT_EQ(AttributeValueFromXPathResultDictionary((*run.result)[0], u"nodeContent"_s), u"1"_s);
    EXPECT_EQ(AttributeValueFromXPathResultDictionary((*run.result)[1], u"nodeContent"_s), u"2"_s);
    ASSERT_EQ((*run.result)[0].nodeChildArray.size(), 2u);
    EXPECT_EQ((*run.result)[0].nodeChildArray[1].nodeName, u"u"_s);
    EXPECT_EQ((*run.result)[0].nodeChildArray[1].nodeContent, u"b"_s);
}

TEST(XPathQueryResults, CommentsKeepTheirContentUntrimmed) {
    const auto node = single("<r><a>x<!-- note --></a></r>", u"//a"_s);
    EXPECT_EQ(node.nodeContent, u"x"_s);
    ASSERT_EQ(node.nodeChildArray.size(), 1u);
    EXPECT_EQ(node.nodeChildArray[0].nodeName, u"comment"_s);
    EXPECT_EQ(node.nodeChildArray[0].nodeContent, u" note "_s);
}

TEST(XPathQueryResults, TheWholeDocumentCanBeSelected) {
    const auto document = single("<r><a>x</a></r>", u"/"_s);
    ASSERT_EQ(document.nodeChildArray.size(), 1u);
    EXPECT_EQ(document.nodeChildArray[0].nodeName, u"r"_s);
    EXPECT_TRUE(document.nodeContent.isNull());
}

TEST(XPathQueryFailures, SyntaxErrorAnswersNothingAndSaysSo) {
    const QueryRun run = query("<r/>", u"//a[@"_s);
    EXPECT_FALSE(run.result);
    EXPECT_NE(run.console.find("Unable to evaluate XPath.\n"), std::string::npos);
    // libxml2's own complaint stays off the console.
    EXPECT_EQ(run.console.find("XPath error"), std::string::npos);
}

TEST(XPathQueryFailures, ExpressionsThatAreNotNodeSetsAnswerNothing) {
    for (const QString& expression : {u"count(//a)"_s, u"string(//a)"_s, u"1 = 1"_s}) {
        const QueryRun run = query("<r><a/><a/></r>", expression);
        EXPECT_FALSE(run.result) << expression.toStdString();
        EXPECT_NE(run.console.find("Nodes was nil.\n"), std::string::npos);
    }
}

TEST(XPathQueryFailures, EmptyOrNonXmlBuffersAreNotParsed) {
    for (const QByteArray& buffer :
         {QByteArray(), QByteArray(""), QByteArray("just words"), QByteArray("\x00\x01\x02", 3)}) {
        const QueryRun run = query(buffer, u"//a"_s);
        EXPECT_FALSE(run.result);
        EXPECT_NE(run.console.find("Unable to parse.\n"), std::string::npos);
        EXPECT_EQ(run.console.find("parser error"), std::string::npos);
    }
}

TEST(XPathQueryFailures, SlightlyMalformedXmlIsRecovered) {
    const QueryRun run = query("<r><a>one<a>two</r>", u"//a"_s);
    ASSERT_TRUE(run.result);
    ASSERT_FALSE(run.result->empty());
    EXPECT_EQ(run.result->front().nodeContent, u"one"_s);
    const QueryRun unclosed = query("<r><price>9.99</price><b>", u"//price"_s);
    ASSERT_TRUE(unclosed.result);
    ASSERT_EQ(unclosed.result->size(), 1u);
    EXPECT_EQ(unclosed.result->front().nodeContent, u"9.99"_s);
}

TEST(XPathQuerySafety, ExternalEntitiesAndDtdsAreNeverLoaded) {
    QTemporaryDir dir;
    QFile secret(dir.filePath(u"secret.txt"_s));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("TOP-SECRET");
    secret.close();
    FakeHttpServer server;
    server.answer(u"/entity"_s, {200, "FETCHED"});
    server.answer(u"/doc.dtd"_s, {200, "<!ENTITY remote \"FETCHED\">"});
    const QByteArray document =
        (u"<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \""_s + server.url(u"/doc.dtd"_s) +
         u"\" [\n<!ENTITY file SYSTEM \"file://"_s + secret.fileName() +
         u"\">\n<!ENTITY web SYSTEM \""_s + server.url(u"/entity"_s) +
         u"\">\n]>\n<r><a>&file;</a><b>&web;</b><c>&remote;</c></r>"_s)
            .toUtf8();
    const QueryRun run = query(document, u"//r"_s);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.result->size(), 1u);
    std::function<void(const XPathResultDictionary&)> check = [&](const auto& node) {
        EXPECT_FALSE(node.nodeContent.contains(u"SECRET"_s));
        EXPECT_FALSE(node.nodeContent.contains(u"FETCHED"_s));
        for (const auto& child : node.nodeChildArray) {
            check(child);
        }
    };
    check(run.result->front());
    EXPECT_TRUE(server.requests().isEmpty());
}

TEST(XPathQuerySafety, InternalEntityReferencesDoNotWalkIntoTheDtd) {
    // Without substitution a reference points at the shared declaration; expanding the nested
    // ones would take 10^8 steps.
    QByteArray document = "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY e0 \"ha\">";
    for (int i = 1; i <= 8; ++i) {
        document += "<!ENTITY e" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            document += "&e" + QByteArray::number(i - 1) + ";";
        }
        document += "\">";
    }
    document += "<!ENTITY greeting \"hello\">]><r><a>&greeting;</a><b>&e8;</b></r>";
    const QueryRun run = query(document, u"//a"_s);
    ASSERT_TRUE(run.result);
    ASSERT_EQ(run.result->size(), 1u);
    const XPathResultDictionary& a = run.result->front();
    ASSERT_EQ(a.nodeChildArray.size(), 1u);
    EXPECT_EQ(a.nodeChildArray[0].nodeName, u"greeting"_s);
    EXPECT_EQ(a.nodeChildArray[0].nodeContent, u"hello"_s);
    EXPECT_TRUE(a.nodeChildArray[0].nodeChildArray.empty());
    const QueryRun deep = query(document, u"//b"_s);
    ASSERT_TRUE(deep.result);
    ASSERT_EQ(deep.result->size(), 1u);
}

TEST(XPathQuerySafety, DeeplyNestedDocumentDoesNotCrash) {
    constexpr int kDepth = 100000;
    QByteArray document;
    document.reserve(kDepth * 8);
    for (int i = 0; i < kDepth; ++i) {
        document += "<a>";
    }
    document += "deep";
    for (int i = 0; i < kDepth; ++i) {
        document += "</a>";
    }
    const QueryRun run = query(document, u"/a"_s);
    // The parser gives up past its depth limit; whatever it kept comes back as a finite tree.
    if (run.result) {
        int depth = 0;
        const XPathResultDictionary* node = run.result->empty() ? nullptr : &run.result->front();
        while (node != nullptr && !node->nodeChildArray.empty()) {
            node = &node->nodeChildArray.front();
            ++depth;
        }
        EXPECT_LT(depth, kDepth);
    } else {
        EXPECT_NE(run.console.find("Unable to parse.\n"), std::string::npos);
    }
}

TEST(XPathQueryNodes, TextWithAParentMergesIntoItsContentAndAnswersNothing) {
    xmlDocPtr document = xmlNewDoc(BAD_CAST "1.0");
    xmlNodePtr text = xmlNewDocText(document, BAD_CAST "  tail ");
    QString parentContent = u"head"_s;
    EXPECT_FALSE(DictionaryForNode(text, &parentContent));
    EXPECT_EQ(parentContent, u"headtail"_s);
    const auto alone = DictionaryForNode(text, nullptr);
    ASSERT_TRUE(alone);
    EXPECT_EQ(alone->nodeContent, u"  tail "_s);
    EXPECT_FALSE(DictionaryForNode(nullptr, nullptr));
    xmlFreeNode(text);
    xmlFreeDoc(document);
}

TEST(XPathQueryNodes, TextThatIsNotUtf8IsLeftOut) {
    xmlDocPtr document = xmlNewDoc(BAD_CAST "1.0");
    xmlNodePtr node = xmlNewDocNode(document, nullptr, BAD_CAST "ok", nullptr);
    xmlNodeAddContent(node, BAD_CAST "caf\xe9");
    xmlNewProp(node, BAD_CAST "bad\xff", BAD_CAST "v");
    const auto result = DictionaryForNode(node, nullptr);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->nodeName, u"ok"_s);
    EXPECT_TRUE(result->nodeContent.isNull());
    ASSERT_EQ(result->nodeAttributeArray.size(), 1u);
    EXPECT_TRUE(result->nodeAttributeArray[0].attributeName.isNull());
    EXPECT_EQ(result->nodeAttributeArray[0].nodeContent, u"v"_s);
    xmlFreeNode(node);
    xmlFreeDoc(document);
}

TEST(XPathQueryNodes, QueryOverACallersDocumentLeavesItUsable) {
    const QByteArray text = "<r><a>1</a><a>2</a></r>";
    xmlDocPtr document = xmlReadMemory(text.constData(), int(text.size()), "", nullptr, 0);
    ASSERT_NE(document, nullptr);
    const auto first = PerformXPathQuery(document, u"//a"_s);
    const auto second = PerformXPathQuery(document, u"//a[2]"_s);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), 2u);
    ASSERT_EQ(second->size(), 1u);
    EXPECT_EQ(second->front().nodeContent, u"2"_s);
    xmlFreeDoc(document);
}
