#pragma once

#include <QByteArray>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

// The small query layer over libxml2 that the detail screens share: parse a document held in
// memory, evaluate one XPath 1.0 expression, and hand back the selected nodes as plain values.
// The results own copies of every string and nothing of libxml2, so they outlive the document.
// No state between calls; any thread may call these, one document per call.
//
// A key of a dictionary is "absent" when its string is null or its array empty; the names of
// the fields are the keys the callers know ("nodeName", "nodeContent", ...).

struct XPathResultDictionary;

// One attribute of a node.
struct XPathAttributeDictionary {
    QString attributeName;
    // The attribute's value with blanks and line ends trimmed at both ends.
    QString nodeContent;
    // Set instead when the attribute's first child is not text (an entity reference).
    std::shared_ptr<const XPathResultDictionary> attributeContent;

    bool isEmpty() const {
        return attributeName.isNull() && nodeContent.isNull() && !attributeContent;
    }
    // The string stored under a key ("attributeName" or "nodeContent"); null when absent.
    QString stringForKey(const QString& key) const;
};

// One selected node, or one node below it.
struct XPathResultDictionary {
    QString nodeName;
    // The node's own content, or its text children trimmed and joined with nothing between.
    QString nodeContent;
    std::vector<XPathAttributeDictionary> nodeAttributeArray;
    std::vector<XPathResultDictionary> nodeChildArray;

    // The string stored under a key ("nodeName" or "nodeContent"); null when absent.
    QString stringForKey(const QString& key) const;
};

using XPathResultArray = std::vector<XPathResultDictionary>;

struct _xmlDoc;
struct _xmlNode;

// Parses the bytes in recover mode (and nothing else: no entity substitution, no DTD, no
// network) and runs the query. Nothing on failure, with one line on the console saying why.
std::optional<XPathResultArray> PerformXMLXPathQuery(const QByteArray& document,
                                                     const QString& query);

// The query over a document the caller has parsed and still owns.
std::optional<XPathResultArray> PerformXPathQuery(_xmlDoc* document, const QString& query);

// The node's dictionary. parentNodeContent is the "nodeContent" of the dictionary being built
// for the node's parent (a node or an attribute dictionary), null for a node the query
// selected: a text node with a parent is trimmed and appended there instead, and answers nothing.
std::optional<XPathResultDictionary> DictionaryForNode(_xmlNode* node, QString* parentNodeContent);

// The first attribute dictionary, or nothing when the node has no attribute.
std::optional<XPathAttributeDictionary> AttributeDictFromXPathResultDictionary(
    const XPathResultDictionary& dictionary);

// The first attribute's string under the key; with "nodeContent", the first attribute's value.
QString AttributeValueFromXPathResultDictionary(const XPathResultDictionary& dictionary,
                                                const QString& key);
