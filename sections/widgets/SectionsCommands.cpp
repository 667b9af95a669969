#include "sections/widgets/SectionsCommands.h"

#include <QIcon>
#include <QScrollBar>
#include <QTreeWidget>

#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "editor/core/StringBuffer.h"
#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"
#include "sections/core/SectionCleanup.h"
#include "sections/core/SectionsTree.h"

namespace morv {

namespace {

QIcon NodeIcon(int image) {
    switch (image) {
        case kImageDocument:
            return ThemeIcon("x-office-document");
        case kImageFile:
            return ThemeIcon("text-html");
        default:
            return ThemeIcon("text-x-generic");
    }
}

QTreeWidgetItem* MakeItem(const SectionNode& node, const DocumentEditor* editor,
                          const QIcon& icon) {
    auto* item = new QTreeWidgetItem;
    item->setText(0, editor->DecodePiece(node.text));
    item->setIcon(0, icon);
    item->setData(0, kNodeImageRole, node.image);
    if (!node.key.empty()) item->setData(0, kNodeKeyRole, editor->DecodePiece(node.key));
    if (!node.tag.empty()) {
        item->setData(0, kNodeTagRole, QByteArray(node.tag.data(), qsizetype(node.tag.size())));
    }
    return item;
}

std::string TagBytes(const QTreeWidgetItem* item) {
    return item ? item->data(0, kNodeTagRole).toByteArray().toStdString() : std::string();
}

void RunCleanup(frmMain& main, const char* question, const char* status, bool clearTree,
                std::string (*filter)(std::string_view, ProgressObserver&)) {
    if (Ask(&main, question, PromptButtons::OKCancel, PromptIcon::None, PromptAnswer::OK,
            kAppTitle) != PromptAnswer::OK) {
        return;
    }
    // The clean-up cannot be stopped: while it works, windows repaint and the accessibility bus
    // is answered, but keys and clicks wait until it ends (they could otherwise change the
    // document whose copy is being cleaned).
    LongOperation operation(main, {.status = status, .stoppable = false});
    if (clearTree) ClearSectionsTree(main);
    try {
        const std::string result = filter(BufferText(main.Rich1()), operation.Observer());
        ReplaceBufferText(main.Rich1(), result);
        // Taking the result in counts as a change even where the text came out the same.
        main.State().DocumentModified = true;
    } catch (const std::exception&) {
        // Out of memory: the document stays exactly as it was.
    }
}

}  // namespace

void BuildSectionsTree(frmMain& main, ProgressObserver& steps) {
    DocumentEditor* editor = main.Rich1();
    QTreeWidget* tree = main.TreeView1();

    // The scan runs on a snapshot, so the editor's caret does not wander over the text. Keys
    // pressed to stop the build reach the window but must not change the hidden text.
    StringBuffer snapshot{std::string(BufferText(editor))};
    const bool wasReadOnly = editor->isReadOnly();
    editor->setReadOnly(true);

    const QIcon fileIcon = NodeIcon(kImageFile);
    const QIcon sectionIcon = NodeIcon(kImageSection);
    const SectionNode document{"root", "", "", kImageDocument, {}};
    std::unique_ptr<QTreeWidgetItem> root(MakeItem(document, editor, NodeIcon(kImageDocument)));
    root->setText(0, main.State().DocumentFile.isEmpty()
                         ? QStringLiteral("Untitled")
                         : PathToQString(GetFileName(PathToStd(main.State().DocumentFile))));

    // One step per file: find its header, make its nodes, let window events run. A key pressed
    // at any step stops the build after the current file; the files found so far stay. The
    // nodes join the tree only at the end, so that a command run meanwhile that empties the tree
    // cannot take them away from under the build.
    QList<QTreeWidgetItem*> files;
    SectionsScanner scanner(snapshot);
    while (scanner.HasMore()) {
        if (steps.ShouldStop()) break;
        const std::optional<SectionNode> file = scanner.Next();
        if (!file) break;
        QTreeWidgetItem* item = MakeItem(*file, editor, fileIcon);
        QList<QTreeWidgetItem*> kinds;
        for (const SectionNode& kind : file->children)
            kinds.append(MakeItem(kind, editor, sectionIcon));
        item->addChildren(kinds);
        files.append(item);
    }
    editor->setReadOnly(wasReadOnly);
    root->addChildren(files);
    tree->addTopLevelItem(root.release());
    if (tree->topLevelItemCount() > 0) tree->topLevelItem(0)->setExpanded(true);

    // Back to the start of the text, scrolled fully left.
    QScrollBar* across = editor->horizontalScrollBar();
    across->setValue(across->value() - across->singleStep());
    EditorBuffer(editor).SetCaret(0);
}

void RetrieveSectionsTree(frmMain& main) {
    // The build lets events run, and so the "tree" button could be pressed again meanwhile: the
    // build that runs goes on alone.
    static bool building = false;
    if (building) return;
    building = true;
    ClearSectionsTree(main);
    main.TreeView1()->repaint();
    {
        LongOperation operation(main, {.status = "Retrieving sections tree...  Press Esc to stop",
                                       .cover = true,
                                       .suspendPainting = true});
        BuildSectionsTree(main, operation.Observer());
    }
    building = false;
}

void NavigateToNode(frmMain& main, QTreeWidgetItem* node) {
    if (node == nullptr) return;
    NodeTarget target;
    target.image = node->data(0, kNodeImageRole).toInt();
    target.text = node->text(0).toStdString();
    target.path = TagBytes(target.image == kImageSection ? node->parent() : node);
    main.setUpdatesEnabled(false);
    EditorBuffer buffer(main.Rich1());
    NavigateToNode(buffer, target);
    main.setUpdatesEnabled(true);
}

void RemoveSectionAttributes(frmMain& main) {
    RunCleanup(main, "This will remove all section attributes on this document.",
               "Removing section attributes...  Please wait", true, &morv::RemoveSectionAttributes);
}

void RemoveEmptyLines(frmMain& main) {
    RunCleanup(main, "This will remove all empty-lines on this document.",
               "Removing empty-lines...  Please wait", false, &morv::RemoveEmptyLines);
}

void InstallSectionsCommands(frmMain& main) {
    // Every row is one line of text with a small picture; a tree of tens of thousands of file
    // nodes lays out at once instead of measuring each row.
    main.TreeView1()->setUniformRowHeights(true);
    // Enter on the current node (and a double click) navigates as a click does, so the tree
    // also works from the keyboard.
    QObject::connect(main.TreeView1(), &QTreeWidget::itemActivated, &main,
                     [&main](QTreeWidgetItem* node, int) { NavigateToNode(main, node); });
    MainCommands& commands = main.Commands();
    commands.retrieveTree = [&main] { RetrieveSectionsTree(main); };
    commands.navigateToNode = [&main](QTreeWidgetItem* node) { NavigateToNode(main, node); };
    commands.removeSections = [&main] { RemoveSectionAttributes(main); };
    commands.removeEmpty = [&main] { RemoveEmptyLines(main); };
    main.RefreshCommandStates();
}

}  // namespace morv
