import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Sayline.App
import Sayline.Settings

// How dictated words are written: spoken punctuation, capitals, numbers and the user's own
// replacements. Changes apply from the next dictation on.
SettingsPage {
    id: page
    title: "Transcription"

    StoredBool { id: spokenPunctuation; key: "spokenPunctuation"; defaultValue: true }
    StoredBool { id: automaticCapitals; key: "automaticCapitals"; defaultValue: true }
    StoredBool { id: numbersAsDigits; key: "numbersAsDigits"; defaultValue: true }
    TextReplacementList { id: replacements }

    FormSection {
        header: "Formatting"
        footer: "Say \"comma\", \"period\", \"question mark\", \"new line\" and the like to write them; \"scratch that\" removes what you said just before. Switch spoken punctuation off when such words should stay words (\"a trial period\"). Numbers from 10 are written in digits, smaller ones before a unit or \"percent\". Changes apply to the next dictation."
        ToggleRow {
            objectName: "spokenPunctuationToggle"
            title: "Spoken Punctuation"
            checked: spokenPunctuation.value
            onToggled: on => spokenPunctuation.value = on
        }
        ToggleRow {
            objectName: "automaticCapitalsToggle"
            title: "Capitalize Sentences"
            checked: automaticCapitals.value
            onToggled: on => automaticCapitals.value = on
        }
        ToggleRow {
            objectName: "numbersAsDigitsToggle"
            title: "Numbers as Digits"
            checked: numbersAsDigits.value
            onToggled: on => numbersAsDigits.value = on
        }
    }

    FormSection {
        header: "Replacements"
        footer: "A phrase you say (whole words, any case) is written as your text, for names and things you type often."
        Repeater {
            model: replacements.entries
            RowLayout {
                id: entryRow
                required property var modelData
                required property int index
                objectName: "replacement_" + index
                Layout.fillWidth: true
                TextField {
                    id: spokenField
                    objectName: "spokenField"
                    text: entryRow.modelData.spoken
                    Layout.fillWidth: true
                    onEditingFinished: if (text !== entryRow.modelData.spoken) replacements.edit(entryRow.index, text, writtenField.text)
                }
                Text { text: "→"; color: "#6e6e73" }
                TextField {
                    id: writtenField
                    objectName: "writtenField"
                    text: entryRow.modelData.written
                    Layout.fillWidth: true
                    onEditingFinished: if (text !== entryRow.modelData.written) replacements.edit(entryRow.index, spokenField.text, text)
                }
                Button {
                    objectName: "removeButton"
                    text: "Remove"
                    onClicked: replacements.remove(entryRow.index)
                }
            }
        }
        RowLayout {
            Layout.fillWidth: true
            TextField {
                id: newSpoken
                objectName: "newSpokenField"
                placeholderText: "Spoken phrase"
                Layout.fillWidth: true
            }
            Text { text: "→"; color: "#6e6e73" }
            TextField {
                id: newWritten
                objectName: "newWrittenField"
                placeholderText: "Written text"
                Layout.fillWidth: true
                onAccepted: addButton.clicked()
            }
            Button {
                id: addButton
                objectName: "addButton"
                text: "Add"
                enabled: newSpoken.text.trim() !== ""
                onClicked: {
                    if (replacements.add(newSpoken.text, newWritten.text)) {
                        newSpoken.clear()
                        newWritten.clear()
                    }
                }
            }
        }
    }
}
