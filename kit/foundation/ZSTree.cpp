#include "kit/foundation/ZSTree.h"


#include <QDebug>
#include <algorithm>
#include <deque>
#include <stdexcept>
#include <vector>

// Children sit in a vector and each knows its position there, so siblings,
// positions and appends cost O(1); insertion and removal renumber the tail.
class ZSTreeNode {
public:
    ~ZSTreeNode();

    std::weak_ptr<ZSTreeNode> parent;
    std::vector<std::shared_ptr<ZSTreeNode>> children;
    qsizetype indexInParent = 0;
    plat::ObjectPtr object;
};

namespace {

using NodePtr = std::shared_ptr<ZSTreeNode>;

void renumberFrom(ZSTreeNode& parent, qsizetype from)
{
    for (qsizetype i = from; i < qsizetype(parent.children.size()); ++i)
        parent.children[size_t(i)]->indexInParent = i;
}

ZSTreePayload* rememberingPayload(const ZSTreeNode& node)
{
    return node.parent.expired() ? dynamic_cast<ZSTreePayload*>(node.object.get()) : nullptr;
}

std::function<plat::ObjectPtr()>& rootPayloadFactory()
{
    static std::function<plat::ObjectPtr()> factory;
    return factory;
}

// Takes node out of its parent's children. A root that remembered it as its
// last child forgets it, so that the root never answers a node it no longer holds.
void detach(const NodePtr& node)
{
    const NodePtr parent = node->parent.lock();
    if (!parent)
        return;
    if (auto text = rememberingPayload(*parent); text && text->rememberedLastChild().lock() == node)
        text->setRememberedLastChild({});
    const qsizetype index = node->indexInParent;
    parent->children.erase(parent->children.begin() + index);
    renumberFrom(*parent, index);
    node->parent.reset();
}

void attach(const NodePtr& parent, const NodePtr& node, qsizetype index)
{
    node->parent = parent;
    parent->children.insert(parent->children.begin() + index, node);
    renumberFrom(*parent, index);
}

bool isSelfOrAncestor(const ZSTreeNode* candidate, const NodePtr& node)
{
    // A node without children is nobody's ancestor: fresh nodes are checked at once.
    if (candidate != node.get() && candidate->children.empty())
        return false;
    for (NodePtr n = node; n; n = n->parent.lock())
        if (n.get() == candidate)
            return true;
    return false;
}

void requireAttachable(const NodePtr& node, const NodePtr& under)
{
    if (!node)
        throw std::invalid_argument("ZSTree: no node to attach");
    if (isSelfOrAncestor(node.get(), under))
        throw std::invalid_argument("ZSTree: a node cannot become its own descendant");
}

QString payloadText(const plat::ObjectPtr& object, bool tidy)
{
    if (!object)
        return QStringLiteral("(null)");
    if (tidy) {
        if (auto text = dynamic_cast<const ZSTreePayload*>(object.get()))
            return text->tidyDescription();
    }
    return object->description();
}

} // namespace

ZSTreeNode::~ZSTreeNode()
{
    // Released iteratively: a deeply nested tree must not exhaust the stack.
    std::vector<NodePtr> pending = std::move(children);
    while (!pending.empty()) {
        NodePtr node = std::move(pending.back());
        pending.pop_back();
        if (node.use_count() == 1) {
            for (NodePtr& child : node->children)
                pending.push_back(std::move(child));
            node->children.clear();
        }
    }
}

ZSTree ZSTree::treeWithObject(plat::ObjectPtr object)
{
    auto node = std::make_shared<ZSTreeNode>();
    node->object = std::move(object);
    return ZSTree(std::move(node));
}

ZSTree ZSTree::treeForRoot()
{
    const auto& factory = rootPayloadFactory();
    return treeWithObject(factory ? factory() : nullptr);
}

void ZSTree::setRootPayloadFactory(std::function<plat::ObjectPtr()> factory)
{
    rootPayloadFactory() = std::move(factory);
}

QString ZSTree::description() const
{
    return QStringLiteral("<ZSTree: 0x%1>{children = %2, object = %3}")
        .arg(quintptr(m_node.get()), 0, 16)
        .arg(numberOfChildren())
        .arg(payloadText(object(), false));
}

plat::ObjectPtr ZSTree::object() const
{
    return m_node ? m_node->object : nullptr;
}

void ZSTree::setObject(plat::ObjectPtr object) const
{
    if (m_node)
        m_node->object = std::move(object);
}

ZSTree ZSTree::parent() const
{
    return m_node ? ZSTree(m_node->parent.lock()) : ZSTree();
}

ZSTree ZSTree::root() const
{
    if (!m_node)
        return {};
    NodePtr node = m_node;
    while (NodePtr up = node->parent.lock())
        node = std::move(up);
    return ZSTree(std::move(node));
}

qsizetype ZSTree::numberOfChildren() const
{
    return m_node ? qsizetype(m_node->children.size()) : 0;
}

ZSTree ZSTree::childAtIndex(qsizetype index) const
{
    if (index < 0 || index >= numberOfChildren())
        return {};
    return ZSTree(m_node->children[size_t(index)]);
}

ZSTree ZSTree::lastChild() const
{
    if (!m_node)
        return {};
    if (m_node->parent.expired()) {
        const auto text = rememberingPayload(*m_node);
        NodePtr remembered = text ? text->rememberedLastChild().lock() : nullptr;
        // A root that was itself a child for a while may remember a node it gave away.
        return remembered && remembered->parent.lock() == m_node ? ZSTree(std::move(remembered)) : ZSTree();
    }
    return childAtIndex(numberOfChildren() - 1);
}

ZSTree ZSTree::nextSibling() const
{
    const ZSTree up = parent();
    return up ? up.childAtIndex(m_node->indexInParent + 1) : ZSTree();
}

ZSTree ZSTree::previousSibling() const
{
    const ZSTree up = parent();
    return up ? up.childAtIndex(m_node->indexInParent - 1) : ZSTree();
}

ZSTree ZSTree::firstLeaf() const
{
    ZSTree node = *this;
    for (ZSTree child = node.firstChild(); child; child = node.firstChild())
        node = std::move(child);
    return node;
}

ZSTree ZSTree::lastLeaf() const
{
    ZSTree node = *this;
    for (ZSTree child = node.lastChild(); child; child = node.lastChild())
        node = std::move(child);
    return node;
}

qsizetype ZSTree::depth() const
{
    qsizetype depth = 0;
    for (ZSTree node = parent(); node; node = node.parent())
        ++depth;
    return depth;
}

IndexPath ZSTree::indexPath() const
{
    std::vector<qsizetype> indexes;
    for (NodePtr node = m_node; node && !node->parent.expired(); node = node->parent.lock())
        indexes.push_back(node->indexInParent);
    return IndexPath(std::vector<qsizetype>(indexes.rbegin(), indexes.rend()));
}

ZSTree ZSTree::descendantAtIndexPath(const IndexPath& path) const
{
    ZSTree node = *this;
    for (qsizetype index : path.indexes()) {
        node = node.childAtIndex(index);
        if (!node)
            break;
    }
    return node;
}

void ZSTree::appendChildObject(plat::ObjectPtr object) const
{
    if (m_node)
        appendChild(treeWithObject(std::move(object)));
}

void ZSTree::appendChild(const ZSTree& child) const
{
    if (!m_node)
        return;
    requireAttachable(child.m_node, m_node);
    if (!child.m_node->parent.expired())
        throw std::invalid_argument("ZSTree: the appended node already has a parent");
    attach(m_node, child.m_node, numberOfChildren());
    if (auto text = rememberingPayload(*m_node))
        text->setRememberedLastChild(child.m_node);
}

void ZSTree::insertChild(const ZSTree& child, qsizetype index) const
{
    if (!m_node)
        return;
    requireAttachable(child.m_node, m_node);
    const bool isOwnChild = child.m_node->parent.lock() == m_node;
    if (index < 0 || index > numberOfChildren() - (isOwnChild ? 1 : 0))
        throw plat::RangeError("ZSTree::insertChild: index out of range");
    detach(child.m_node);
    attach(m_node, child.m_node, index);
}

void ZSTree::insertChildObject(plat::ObjectPtr object, qsizetype index) const
{
    if (m_node)
        insertChild(treeWithObject(std::move(object)), index);
}

void ZSTree::insertSibling(const ZSTree& sibling) const
{
    if (!m_node)
        return;
    const NodePtr up = m_node->parent.lock();
    if (!up)
        throw std::invalid_argument("ZSTree::insertSibling: a root has no siblings");
    requireAttachable(sibling.m_node, up);
    if (sibling.m_node == m_node)
        return;
    detach(sibling.m_node);
    attach(up, sibling.m_node, m_node->indexInParent + 1);
}

void ZSTree::removeChildAtIndex(qsizetype index) const
{
    const ZSTree child = childAtIndex(index);
    if (!child && m_node)
        throw plat::RangeError("ZSTree::removeChildAtIndex: index out of range");
    child.removeFromParent();
}

void ZSTree::removeAllChildren() const
{
    if (!m_node)
        return;
    if (auto text = rememberingPayload(*m_node))
        text->setRememberedLastChild({});
    // Keep the children alive until every link to them is cut.
    const std::vector<NodePtr> children = std::move(m_node->children);
    m_node->children.clear();
    for (const NodePtr& child : children)
        child->parent.reset();
}

void ZSTree::removeFromParent() const
{
    if (m_node)
        detach(m_node);
}

void ZSTree::enumerateTreeSibling(qint64 direction, const SiblingBlock& block) const
{
    bool isFirst = true;
    for (ZSTree node = *this; node;) {
        ZSTree next = direction == SiblingsForward ? node.nextSibling() : node.previousSibling();
        bool stop = false;
        block(node, isFirst, next.isNull(), &stop);
        if (stop)
            return;
        node = std::move(next);
        isFirst = false;
    }
}

void ZSTree::enumerateTreeChildren(qint64 direction, const SiblingBlock& block) const
{
    const ZSTree start = direction == ChildrenForward ? firstChild() : lastChild();
    if (start)
        start.enumerateTreeSibling(direction == ChildrenForward ? SiblingsForward : 0, block);
}

ZSTree ZSTree::nextSkippingChildren(const ZSTree& top) const
{
    for (ZSTree node = *this; node && node != top;) {
        if (ZSTree sibling = node.nextSibling())
            return sibling;
        node = node.parent();
    }
    return {};
}

void ZSTree::enumerateTreeRootFirst(const NodeBlock& block) const
{
    for (ZSTree node = *this; node;) {
        bool stop = false;
        block(node, &stop);
        if (stop)
            return;
        if (ZSTree child = node.firstChild())
            node = std::move(child);
        else
            node = node.nextSkippingChildren(*this);
    }
}

void ZSTree::enumerateTreeLeafFirst(const NodeBlock& block) const
{
    if (!m_node)
        return;
    bool stop = false;
    if (isLeaf()) {
        block(*this, &stop);
        return;
    }
    ZSTree node = firstLeaf();
    for (;;) {
        stop = false;
        block(node, &stop);
        if (stop)
            return;
        if (!node.isLeaf()) {
            node = node.firstLeaf();
            continue;
        }
        // Climb until a sibling is found, visiting each parent on the way up.
        for (;;) {
            if (ZSTree sibling = node.nextSibling()) {
                node = sibling.firstLeaf();
                break;
            }
            node = node.parent();
            if (!node)
                return;
            stop = false;
            block(node, &stop);
            if (stop || node == *this)
                return;
        }
    }
}

void ZSTree::enumerateTreeByNextNodeBlock(const NextNodeBlock& block) const
{
    for (ZSTree node = *this; node;) {
        bool stop = false;
        const qint64 step = block(node, &stop);
        if (stop)
            return;
        const bool descends = step == NextNodeDescend && !node.isLeaf();
        if (node == *this && !descends)
            return;
        if (descends)
            node = node.firstChild();
        else if (step == NextNodeDescend || step == NextNodeSkipChildren)
            node = node.nextSkippingChildren(*this);
    }
}

void ZSTree::enumerateDescendantsWithOptions(quint64 options, const NodeBlock& block) const
{
    if (!m_node)
        return;
    std::vector<ZSTree> list;
    if (options & DescendantsChildren) {
        for (const NodePtr& child : m_node->children)
            list.emplace_back(child);
    } else if (options & DescendantsBreadthFirst) {
        list.push_back(*this);
        for (size_t i = 0; i < list.size(); ++i)
            for (const NodePtr& child : list[i].m_node->children)
                list.emplace_back(child);
    } else if (options & DescendantsPreOrder) {
        std::vector<NodePtr> stack{m_node};
        while (!stack.empty()) {
            NodePtr node = std::move(stack.back());
            stack.pop_back();
            stack.insert(stack.end(), node->children.rbegin(), node->children.rend());
            list.emplace_back(std::move(node));
        }
    } else if (options & DescendantsPostOrder) {
        // A reversed pre-order that takes children last to first is the post-order.
        std::vector<NodePtr> stack{m_node};
        while (!stack.empty()) {
            NodePtr node = std::move(stack.back());
            stack.pop_back();
            stack.insert(stack.end(), node->children.begin(), node->children.end());
            list.emplace_back(std::move(node));
        }
        std::reverse(list.begin(), list.end());
    } else if (options & DescendantsInOrder) {
        // Each entry is a node and whether its first child's subtree is already listed.
        std::vector<std::pair<NodePtr, bool>> stack{{m_node, false}};
        while (!stack.empty()) {
            auto [node, leftDone] = stack.back();
            stack.pop_back();
            if (!leftDone) {
                stack.emplace_back(node, true);
                if (!node->children.empty())
                    stack.emplace_back(node->children[0], false);
                continue;
            }
            list.emplace_back(node);
            if (node->children.size() > 1)
                stack.emplace_back(node->children[1], false);
        }
    }
    if (options & DescendantsReverse)
        std::reverse(list.begin(), list.end());
    for (const ZSTree& node : list) {
        bool stop = false;
        block(node, &stop);
        if (stop)
            return;
    }
}

QString ZSTree::print(bool tidy) const
{
    QString text;
    enumerateDescendantsWithOptions(DescendantsPreOrder, [&](const ZSTree& node, bool*) {
        if (node != *this)
            text += QString(node.depth() * 2, u' ') + QStringLiteral("-> ");
        text += u' ' + payloadText(node.object(), tidy) + u'\n';
    });
    qInfo().noquote() << QStringLiteral("\n\n%1\n\n%2\n%3\n\n")
                             .arg(QString(80, u'-'), text, QString(84, u'='));
    return text;
}

QString ZSTree::printTree() const
{
    return print(false);
}

QString ZSTree::printTidyTree() const
{
    return print(true);
}
