"""The Expression tab: the field list, the expression with its files and
quick picks, and the formatting statements."""
from qgis.core import QgsApplication
from qgis.PyQt.QtCore import Qt
from qgis.PyQt.QtWidgets import QCheckBox, QComboBox, QGroupBox, QHBoxLayout, QListWidget, QPlainTextEdit, QVBoxLayout

from .values_window import FieldValuesWindow
from .widgets import button, label, named, row

# The formatting statements as they are inserted, each with the help line
# shown while it is chosen. Lines with a quoted example keep the blank after
# its closing quote.
STATEMENTS = (
    (".Abs", ".Abs: Absolute value of a number.  Example: -3.Abs = 3"),
    (".FormatCurrency", ".FormatCurrency: Number formatted to system currency.  Example: 100.FormatCurrency = $100.00"),
    (".Format(Instructions)",
     ".Format(Instructions): Format strings, numbers and dates using instructions.  See Help for examples."),
    (".FormatNumber(0)", ".FormatNumber(0): Sets number of decimal places.  Example: 2.53.FormatNumber(4) = 2.5300"),
    (".LCase", '.LCase: Sets all characters to lower case.  Example: "Hello World".LCase = "hello world" '),
    (".Left(0)", '.Left(0): Returns left x number of characters.  Example: "Hello World".Left(2) = "He" '),
    (".LTrim", '.LTrim: Removes spaces to left of string.  Example: "   Hello World".LTrim = "Hello World" '),
    (".Mid(0,0)", '.Mid(0,0): Returns middle x number of characters.  Example: "Hello World".Mid(7,3) = "Wor" '),
    (".Replace(Search,Replace)",
     '.Replace(Search,Replace): Replace string.  Example: "Hello World".Replace(o,xx) = "Hellxx Wxxrld" '),
    (".Right(0)", '.Right(0): Returns right x number of characters.  Example: "Hello World".Right(2) = "ld" '),
    (".Round(0)", ".Round(0): Rounds number to decimal places.  Example: 2.67.Round(0) = 3"),
    (".RTrim", '.RTrim: Removes spaces to right of string.  Example: "Hello World     ".RTrim = "Hello World" '),
    (".Spaces(0)", '.Spaces(0): Inserts spaces between characters.  Example: "GIS".Spaces(3) = "G   I   S" '),
    (".TCase",
     '.TCase: Sets first character of each word to upper case.  Example: "hello world".TCase = "Hello World" '),
    (".Trim",
     '.Trim: Removes spaces from both sides of string.  Example: "   Hello World     ".Trim = "Hello World" '),
    (".UCase", '.UCase: Sets all characters to upper case.  Example: "Hello World".UCase = "HELLO WORLD" '),
)


def statement_help(entry):
    for name, help_line in STATEMENTS:
        if name.upper() == entry.upper():
            return help_line
    return ""


class ExpressionTab:
    """The labeling dialog's Expression tab (a part of LabelingDialog)."""

    def _build_expression(self, page):
        self.FraLabelFields = named(QGroupBox("Database Fields:"), "FraLabelFields")
        self.LblLabelFields = label("Add fields from this list to the expression. ($$VALUE, $$LABEL - A symbol's "
                                     "current value and label.)", "LblLabelFields")
        self.LstLabelFields = named(QListWidget(), "LstLabelFields")
        self.CmdAddField = button("Add", "CmdAddField", "Add Selected Field to Expression")
        self.CmdShowValues = button("Show Values...", "CmdShowValues", "Show Field Values in Layer's Table")
        fields = QVBoxLayout(self.FraLabelFields)
        fields.addWidget(self.LblLabelFields)
        fields.addWidget(self.LstLabelFields)
        fields.addLayout(row(self.CmdAddField, self.CmdShowValues))

        self.FraExpression = named(QGroupBox("Expression:"), "FraExpression")
        self.LblExpression = label("Compose an expression by using database fields, formatting statements and "
                                    "other text.", "LblExpression")
        self.TxtExpression = named(QPlainTextEdit(), "TxtExpression")
        self.TxtExpression.setVerticalScrollBarPolicy(Qt.ScrollBarAlwaysOn)
        self.TxtExpression.setTabChangesFocus(True)
        self.CmdSaveExpression = button("Save...", "CmdSaveExpression", "Save Expression to File")
        self.CmdLoadExpression = button("Load...", "CmdLoadExpression", "Load Expression From File")
        self.CmdVerifyExpression = button("Verify", "CmdVerifyExpression", "Verify that Expression is Correct")
        self.ChkDetailedVerify = named(QCheckBox(), "ChkDetailedVerify", "Detail")
        self.ChkDetailedVerify.setToolTip("Show detailed verification information")
        self.Label6 = label("Quick Picks:", "Label6")
        self.Label6.setWordWrap(False)
        self.CmbQuickPicks = named(QComboBox(), "CmbQuickPicks")
        self.CmbQuickPicks.setEditable(False)
        self.CmbQuickPicks.setMinimumContentsLength(20)
        self.CmdSaveQuickPick = button("", "CmdSaveQuickPick", "Save expression as a Quick Pick")
        self.CmdSaveQuickPick.setIcon(QgsApplication.getThemeIcon("/mActionFileSave.svg"))
        self.CmdDeleteQuickPick = button("", "CmdDeleteQuickPick", "Delete current Quick Pick")
        self.CmdDeleteQuickPick.setIcon(QgsApplication.getThemeIcon("/mActionDeleteSelected.svg"))
        expression = QVBoxLayout(self.FraExpression)
        expression.addWidget(self.LblExpression)
        expression.addWidget(self.TxtExpression)
        expression.addLayout(row(self.CmdSaveExpression, self.CmdLoadExpression, self.CmdVerifyExpression,
                                  self.ChkDetailedVerify))
        expression.addLayout(row(self.Label6, self.CmbQuickPicks, self.CmdSaveQuickPick, self.CmdDeleteQuickPick))

        self.FraFormattingStatements = named(QGroupBox("Formatting Statements:"), "FraFormattingStatements")
        self.LblFormattingStatements = label("Formatting statements modify field values.",
                                              "LblFormattingStatements")
        self.CmbFormattingStatements = named(QComboBox(), "CmbFormattingStatements")
        self.CmbFormattingStatements.setEditable(False)
        self.CmdAddFormattingStatement = button("Add", "CmdAddFormattingStatement",
                                                 "Add Formatting Statement to Expression")
        self.lblFormatDescription = label("", "lblFormatDescription")
        statements = QVBoxLayout(self.FraFormattingStatements)
        statements.addWidget(self.LblFormattingStatements)
        statements.addLayout(row(self.CmbFormattingStatements, self.CmdAddFormattingStatement))
        statements.addWidget(self.lblFormatDescription)

        right = QVBoxLayout()
        right.addWidget(self.FraExpression, 3)
        right.addWidget(self.FraFormattingStatements, 1)
        layout = QHBoxLayout(page)
        layout.addWidget(self.FraLabelFields, 1)
        layout.addLayout(right, 2)

    def expression_text(self):
        # The product's line break is CR LF, in files and in expressions.
        return self.TxtExpression.toPlainText().replace("\n", "\r\n")

    def insert(self, text):
        self.TxtExpression.insertPlainText(text)

    def show_statement_help(self):
        self.lblFormatDescription.setText(statement_help(self.CmbFormattingStatements.currentText()))

    def add_formatting_statement(self):
        self.insert(self.CmbFormattingStatements.currentText())
        self.TxtExpression.setFocus()

    def expression_changed(self):
        has_text = bool(self.TxtExpression.toPlainText())
        for b in (self.CmdSaveExpression, self.CmdVerifyExpression, self.CmdApply, self.CmdSaveQuickPick):
            b.setEnabled(has_text)

    def show_values(self):
        window = FieldValuesWindow(self)
        window.adjustSize()
        window.move(self.frameGeometry().center() - window.rect().center())
        window.exec_()
        window.deleteLater()
