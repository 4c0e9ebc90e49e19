#include "platform/foundation/UndoManager.h"

#include "platform/foundation/Dispatch.h"

#include <QDebug>
#include <algorithm>

namespace plat {

UndoManager::UndoManager() = default;
UndoManager::~UndoManager() = default;

void UndoManager::registerUndo(std::function<void()> inverse)
{
    registerUndo(nullptr, std::move(inverse));
}

void UndoManager::registerUndo(const void* target, std::function<void()> inverse)
{
    if (m_disabled > 0 || !inverse)
        return;
    if (!m_undoing && !m_redoing)
        m_redo.clear();
    if (m_level == 0) {
        if (m_groupsByEvent) {
            beginUndoGrouping();
            m_eventGroupOpen = true;
            dispatchMainAsync([this, alive = std::weak_ptr<bool>(m_alive)] {
                if (!alive.expired())
                    closeEventGroup();
            });
        } else {
            // Without a group to hold it the action is a step of its own.
            Group single;
            single.actions.push_back({target, std::move(inverse)});
            push(receivingStack(), std::move(single));
            return;
        }
    }
    m_open->actions.push_back({target, std::move(inverse)});
}

void UndoManager::setActionName(const QString& name)
{
    // A replayed step keeps the name it was undone or redone under.
    if (m_undoing || m_redoing)
        return;
    if (m_open) {
        m_open->name = name;
        return;
    }
    if (!m_undo.empty())
        m_undo.back().name = name;
}

QString UndoManager::undoActionName() const
{
    if (m_open && !m_undoing && !m_open->actions.empty())
        return m_open->name;
    return m_undo.empty() ? QString() : m_undo.back().name;
}

QString UndoManager::redoActionName() const
{
    return m_redo.empty() ? QString() : m_redo.back().name;
}

void UndoManager::beginUndoGrouping()
{
    if (m_level++ == 0)
        m_open = Group();
}

void UndoManager::endUndoGrouping()
{
    if (m_level == 0) {
        qWarning("UndoManager: endUndoGrouping without a matching begin ignored");
        return;
    }
    if (--m_level > 0)
        return;
    m_eventGroupOpen = false;
    Group group = std::move(*m_open);
    m_open.reset();
    if (!group.actions.empty())
        push(receivingStack(), std::move(group));
}

void UndoManager::closeEventGroup()
{
    if (m_eventGroupOpen && m_level == 1)
        endUndoGrouping();
}

bool UndoManager::canUndo() const
{
    return !m_undo.empty() || (m_open && !m_undoing && !m_open->actions.empty());
}

void UndoManager::undo()
{
    closeEventGroup();
    if (m_level > 0) {
        qWarning("UndoManager: undo inside an open group ignored");
        return;
    }
    replay(m_undo, m_undoing);
}

void UndoManager::redo()
{
    closeEventGroup();
    if (m_level > 0) {
        qWarning("UndoManager: redo inside an open group ignored");
        return;
    }
    replay(m_redo, m_redoing);
}

void UndoManager::replay(std::vector<Group>& from, bool& flag)
{
    if (from.empty() || m_undoing || m_redoing)
        return;
    Group group = std::move(from.back());
    from.pop_back();

    // Whatever happens inside the inverses, the manager leaves this call
    // with no group open and the flag down.
    struct Restore {
        UndoManager& manager;
        bool& flag;
        ~Restore()
        {
            while (manager.m_level > 0)
                manager.endUndoGrouping();
            flag = false;
        }
    };
    flag = true;
    Restore restore{*this, flag};
    beginUndoGrouping();
    m_open->name = group.name;
    for (auto it = group.actions.rbegin(); it != group.actions.rend(); ++it)
        it->inverse();
}

void UndoManager::removeAllActions()
{
    m_undo.clear();
    m_redo.clear();
    m_open.reset();
    m_level = 0;
    m_eventGroupOpen = false;
    m_disabled = 0;
}

void UndoManager::removeAllActionsWithTarget(const void* target)
{
    auto strip = [target](Group& group) {
        std::erase_if(group.actions, [target](const Action& a) { return a.target == target; });
    };
    for (std::vector<Group>* stack : {&m_undo, &m_redo}) {
        for (Group& group : *stack)
            strip(group);
        std::erase_if(*stack, [](const Group& g) { return g.actions.empty(); });
    }
    if (m_open)
        strip(*m_open);
}

void UndoManager::enableUndoRegistration()
{
    if (m_disabled == 0) {
        qWarning("UndoManager: enableUndoRegistration without a matching disable ignored");
        return;
    }
    --m_disabled;
}

void UndoManager::setLevelsOfUndo(int levels)
{
    m_levels = std::max(0, levels);
    trim(m_undo);
    trim(m_redo);
}

void UndoManager::push(std::vector<Group>& stack, Group group)
{
    stack.push_back(std::move(group));
    trim(stack);
}

void UndoManager::trim(std::vector<Group>& stack) const
{
    if (m_levels > 0 && stack.size() > std::size_t(m_levels))
        stack.erase(stack.begin(), stack.end() - m_levels);
}

} // namespace plat
