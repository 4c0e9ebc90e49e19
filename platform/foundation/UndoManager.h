#pragma once
// Undo and redo stacks of closures. An action registers its inverse; undoing
// runs the inverses of the last group in reverse order, and what they register
// lands on the redo stack (redoing does the opposite). A registration made
// outside undo and redo empties the redo stack.
//
// Groups are explicit (begin/end, nesting into the outermost) and, with
// groupsByEvent on, also per event: the first registration outside a group
// opens one that closes when control returns to the event loop (a main-queue
// turn), so one key press or command is one step. Main thread only.

#include "platform/foundation/Object.h"

#include <functional>
#include <optional>
#include <vector>

namespace plat {

class UndoManager final : public Object {
public:
    UndoManager();
    ~UndoManager() override;
    QString className() const override { return QStringLiteral("UndoManager"); }

    void registerUndo(std::function<void()> inverse);
    // target tags the action for removeAllActionsWithTarget.
    void registerUndo(const void* target, std::function<void()> inverse);

    // Names the group being built, or else the last one registered. While
    // undoing or redoing the step keeps its name.
    void setActionName(const QString& name);
    QString undoActionName() const;
    QString redoActionName() const;

    void beginUndoGrouping();
    // An end without a begin is logged and ignored; an empty group is dropped.
    void endUndoGrouping();
    int groupingLevel() const { return m_level; }
    bool groupsByEvent() const { return m_groupsByEvent; }
    void setGroupsByEvent(bool on) { m_groupsByEvent = on; }

    // Closes an open event group first; with an explicit group open, logs and
    // does nothing.
    void undo();
    void redo();
    bool canUndo() const;
    bool canRedo() const { return !m_redo.empty(); }
    bool isUndoing() const { return m_undoing; }
    bool isRedoing() const { return m_redoing; }

    // Empties both stacks, drops open groups and enables registration again.
    void removeAllActions();
    void removeAllActionsWithTarget(const void* target);

    // Nests: registration resumes after as many enables as disables.
    void disableUndoRegistration() { ++m_disabled; }
    void enableUndoRegistration();
    bool isUndoRegistrationEnabled() const { return m_disabled == 0; }

    // The most groups kept on each stack, oldest dropped first; 0 keeps all.
    int levelsOfUndo() const { return m_levels; }
    void setLevelsOfUndo(int levels);

private:
    struct Action {
        const void* target;
        std::function<void()> inverse;
    };
    struct Group {
        std::vector<Action> actions;
        QString name;
    };

    std::vector<Group>& receivingStack() { return m_undoing ? m_redo : m_undo; }
    void push(std::vector<Group>& stack, Group group);
    void trim(std::vector<Group>& stack) const;
    void closeEventGroup();
    // Runs the inverses of the top of from with registrations going to the other stack.
    void replay(std::vector<Group>& from, bool& flag);

    std::vector<Group> m_undo;
    std::vector<Group> m_redo;
    std::optional<Group> m_open;
    int m_level = 0;
    bool m_eventGroupOpen = false;
    bool m_groupsByEvent = true;
    bool m_undoing = false;
    bool m_redoing = false;
    int m_disabled = 0;
    int m_levels = 0;
    // Lets a queued event-end find out that the manager is gone.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace plat
