#include "XPathQuery.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>
#include <libxml/xpath.h>

#include <QUtf8StringView>
#include <climits>
#include <cstring>
#include <mutex>

#include "Console.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The program never needs a resource outside the document, so every DTD and external entity
// is refused here, whatever the document declares and whatever libxml2's defaults are.
xmlParserInputPtr refuseExternalResource(const char*, const char*, xmlParserCtxtPtr) {
    return nullptr;
}

void prepareLibrary() {
    static std::once_flag once;
    std::call_once(once, [] {
        xmlInitParser();
        xmlSetExternalEntityLoader(refuseExternalResource);
    });
}

void ignoreError(void*, xmlErrorPtr) {}

// libxml2 prints every recovered error of a document on standard error; failures here are
// reported by the four console lines instead. The handler is per thread in libxml2.
class QuietErrors {
public:
    QuietErrors() : handler_(xmlStructuredError), context_(xmlStructuredErrorContext) {
        xmlSetStructuredErrorFunc(nullptr, ignoreError);
    }
    ~QuietErrors() { xmlSetStructuredErrorFunc(context_, handler_); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    xmlStructuredErrorFunc handler_;
    void* context_;
};

// A copy of libxml2's UTF-8 text; null for no text or text that is not valid UTF-8.
QString decoded(const xmlChar* text) {
    if (text == nullptr) {
        return QString();
    }
    const QUtf8StringView view(reinterpret_cast<const char*>(text));
    if (!view.isValidUtf8()) {
        return QString();
    }
    QString result = view.toString();
    if (result.isNull()) {
        result = u""_s;
    }
    return result;
}

QString trimmedNotNull(const QString& text) {
    QString result = text.trimmed();
    if (result.isNull()) {
        result = u""_s;
    }
    return result;
}

// Node kinds laid out as xmlNode, whose content field may be read. Attributes, namespaces,
// documents, DTDs and declarations are other structures that only share the first fields.
bool hasNodeLayout(xmlElementType type) {
    switch (type) {
        case XML_ELEMENT_NODE:
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
        case XML_ENTITY_REF_NODE:
        case XML_PI_NODE:
        case XML_COMMENT_NODE:
            return true;
        default:
            return false;
    }
}

// Children that belong to the document's content. An entity reference's child is the shared
// declaration (walking it would run through the DTD and expand nested entities without end),
// and a DTD's children are declarations.
bool walksChildren(xmlElementType type) {
    return type != XML_ENTITY_REF_NODE && type != XML_DTD_NODE && type != XML_NAMESPACE_DECL;
}

void mergeInto(QString* parentNodeContent, const QString& text) {
    const QString trimmed = trimmedNotNull(text);
    if (parentNodeContent->isNull()) {
        *parentNodeContent = trimmed;
    } else {
        parentNodeContent->append(trimmed);
    }
}

void addAttributes(xmlAttrPtr attribute, XPathResultDictionary& result) {
    for (; attribute != nullptr; attribute = attribute->next) {
        XPathAttributeDictionary entry;
        entry.attributeName = decoded(attribute->name);
        if (attribute->children != nullptr) {
            std::optional<XPathResultDictionary> child =
                DictionaryForNode(attribute->children, &entry.nodeContent);
            if (child) {
                entry.attributeContent =
                    std::make_shared<const XPathResultDictionary>(std::move(*child));
            }
        }
        if (!entry.isEmpty()) {
            result.nodeAttributeArray.push_back(std::move(entry));
        }
    }
}

}  // namespace

QString XPathAttributeDictionary::stringForKey(const QString& key) const {
    return key == u"attributeName"_s ? attributeName
           : key == u"nodeContent"_s ? nodeContent
                                     : QString();
}

QString XPathResultDictionary::stringForKey(const QString& key) const {
    return key == u"nodeName"_s ? nodeName : key == u"nodeContent"_s ? nodeContent : QString();
}

std::optional<XPathResultArray> PerformXMLXPathQuery(const QByteArray& document,
                                                     const QString& query) {
    prepareLibrary();
    xmlDocPtr parsed = nullptr;
    if (!document.isEmpty() && document.size() <= INT_MAX) {
        QuietErrors quiet;
        parsed = xmlReadMemory(document.constData(), int(document.size()), "", nullptr,
                               XML_PARSE_RECOVER);
    }
    // Recover mode makes a document even of plain words; one without any element is not XML.
    if (parsed != nullptr && xmlDocGetRootElement(parsed) == nullptr) {
        xmlFreeDoc(parsed);
        parsed = nullptr;
    }
    if (parsed == nullptr) {
        Console::log(u"Unable to parse."_s);
        return std::nullopt;
    }
    std::optional<XPathResultArray> result = PerformXPathQuery(parsed, query);
    xmlFreeDoc(parsed);
    return result;
}

std::optional<XPathResultArray> PerformXPathQuery(_xmlDoc* document, const QString& query) {
    prepareLibrary();
    QuietErrors quiet;
    xmlXPathContextPtr context = xmlXPathNewContext(document);
    if (context == nullptr) {
        Console::log(u"Unable to create XPath context."_s);
        return std::nullopt;
    }
    const QByteArray expression = query.toUtf8();
    xmlXPathObjectPtr found =
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression.constData()), context);
    if (found == nullptr) {
        Console::log(u"Unable to evaluate XPath."_s);
        xmlXPathFreeContext(context);
        return std::nullopt;
    }
    std::optional<XPathResultArray> result;
    if (found->type != XPATH_NODESET) {
        Console::log(u"Nodes was nil."_s);
    } else {
        result.emplace();
        // libxml2 may leave an empty node set out altogether.
        if (const xmlNodeSetPtr nodes = found->nodesetval) {
            result->reserve(size_t(nodes->nodeNr));
            for (int i = 0; i < nodes->nodeNr; ++i) {
                if (std::optional<XPathResultDictionary> entry =
                        DictionaryForNode(nodes->nodeTab[i], nullptr)) {
                    result->push_back(std::move(*entry));
                }
            }
        }
    }
    xmlXPathFreeObject(found);
    xmlXPathFreeContext(context);
    return result;
}

std::optional<XPathResultDictionary> DictionaryForNode(_xmlNode* node, QString* parentNodeContent) {
    if (node == nullptr) {
        return std::nullopt;
    }
    const xmlElementType type = node->type;
    if (type == XML_NAMESPACE_DECL) {
        // A namespace in a node set is an xmlNs: its prefix names it, its address is its content.
        const auto* ns = reinterpret_cast<const xmlNs*>(node);
        XPathResultDictionary result;
        result.nodeName = decoded(ns->prefix);
        result.nodeContent = decoded(ns->href);
        return result;
    }
    const bool nodeLayout = hasNodeLayout(type);
    const xmlChar* content = nodeLayout ? node->content : nullptr;
    if (content != nullptr && type != XML_DOCUMENT_TYPE_NODE && parentNodeContent != nullptr &&
        node->name != nullptr &&
        std::strcmp(reinterpret_cast<const char*>(node->name), "text") == 0) {
        const QString text = decoded(content);
        if (!text.isNull()) {
            mergeInto(parentNodeContent, text);
        }
        return std::nullopt;
    }

    XPathResultDictionary result;
    result.nodeName = decoded(node->name);
    if (content != nullptr && type != XML_DOCUMENT_TYPE_NODE) {
        result.nodeContent = decoded(content);
    }
    if (type == XML_ELEMENT_NODE) {
        addAttributes(node->properties, result);
    }
    if (walksChildren(type)) {
        for (xmlNodePtr child = node->children; child != nullptr; child = child->next) {
            if (std::optional<XPathResultDictionary> entry =
                    DictionaryForNode(child, &result.nodeContent)) {
                result.nodeChildArray.push_back(std::move(*entry));
            }
        }
    }
    return result;
}

std::optional<XPathAttributeDictionary> AttributeDictFromXPathResultDictionary(
    const XPathResultDictionary& dictionary) {
    if (dictionary.nodeAttributeArray.empty()) {
        return std::nullopt;
    }
    return dictionary.nodeAttributeArray.front();
}

QString AttributeValueFromXPathResultDictionary(const XPathResultDictionary& dictionary,
                                                const QString& key) {
    if (dictionary.nodeAttributeArray.empty()) {
        return QString();
    }
    return dictionary.nodeAttributeArray.front().stringForKey(key);
}
