<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>ClearConfirmation</name>
    <message numerus="yes">
        <source>Remove %n entry(s) from the history?</source>
        <translation>
            <numerusform>Remove %n entry from the history?</numerusform>
            <numerusform>Remove %n entries from the history?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The %n pinned entry(s) stay.</source>
        <translation>
            <numerusform>The pinned entry stays.</numerusform>
            <numerusform>The %n pinned entries stay.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>GeneralSettingsView</name>
    <message numerus="yes">
        <source>%n minute(s) ago</source>
        <translation>
            <numerusform>%n minute ago</numerusform>
            <numerusform>%n minutes ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hour(s) ago</source>
        <translation>
            <numerusform>%n hour ago</numerusform>
            <numerusform>%n hours ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s) ago</source>
        <translation>
            <numerusform>%n day ago</numerusform>
            <numerusform>%n days ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n month(s) ago</source>
        <translation>
            <numerusform>%n month ago</numerusform>
            <numerusform>%n months ago</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n year(s) ago</source>
        <translation>
            <numerusform>%n year ago</numerusform>
            <numerusform>%n years ago</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>HistoryManager</name>
    <message numerus="yes">
        <source>Copies cannot be saved now: %1. %n copy(s) kept until they can.</source>
        <translation>
            <numerusform>Copies cannot be saved now: %1. %n copy is kept until they can.</numerusform>
            <numerusform>Copies cannot be saved now: %1. %n copies are kept until they can.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source> %n older copy(s) could not be kept.</source>
        <translation>
            <numerusform> %n older copy could not be kept.</numerusform>
            <numerusform> %n older copies could not be kept.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>ItemPresentation</name>
    <message numerus="yes">
        <source>%n sec.</source>
        <translation>
            <numerusform>%n sec.</numerusform>
            <numerusform>%n sec.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n yr.</source>
        <translation>
            <numerusform>%n yr.</numerusform>
            <numerusform>%n yr.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n mo.</source>
        <translation>
            <numerusform>%n mo.</numerusform>
            <numerusform>%n mo.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n wk.</source>
        <translation>
            <numerusform>%n wk.</numerusform>
            <numerusform>%n wk.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n day(s)</source>
        <translation>
            <numerusform>%n day</numerusform>
            <numerusform>%n days</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n hr.</source>
        <translation>
            <numerusform>%n hr.</numerusform>
            <numerusform>%n hr.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n min.</source>
        <translation>
            <numerusform>%n min.</numerusform>
            <numerusform>%n min.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>SettingsViewModel</name>
    <message numerus="yes">
        <source>%n byte(s)</source>
        <translation>
            <numerusform>%n byte</numerusform>
            <numerusform>%n bytes</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::AppState</name>
    <message numerus="yes">
        <source>Cleared %n entry(s)</source>
        <translation>
            <numerusform>Cleared %n entry</numerusform>
            <numerusform>Cleared %n entries</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Deleted %n entry(s)</source>
        <translation>
            <numerusform>Deleted %n entry</numerusform>
            <numerusform>Deleted %n entries</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::FloatingPanelView</name>
    <message numerus="yes">
        <source>%n item(s)</source>
        <translation>
            <numerusform>%n item</numerusform>
            <numerusform>%n items</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n snippet(s)</source>
        <translation>
            <numerusform>%n snippet</numerusform>
            <numerusform>%n snippets</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::GeneralSettingsView</name>
    <message numerus="yes">
        <source>Remove the %n oldest entry(s)?</source>
        <translation>
            <numerusform>Remove the oldest entry?</numerusform>
            <numerusform>Remove the %n oldest entries?</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>The history will keep the newest %n entry(s). Pinned entries stay.</source>
        <translation>
            <numerusform>The history will keep the newest entry. Pinned entries stay.</numerusform>
            <numerusform>The history will keep the newest %n entries. Pinned entries stay.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::QuilletApp</name>
    <message numerus="yes">
        <source>%1 is used by another application, so Quillet cannot react to it. Choose other keys in Settings → Shortcuts.</source>
        <translation>
            <numerusform>%1 is used by another application, so Quillet cannot react to it. Choose other keys in Settings → Shortcuts.</numerusform>
            <numerusform>%1 are used by other applications, so Quillet cannot react to them. Choose other keys in Settings → Shortcuts.</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Shortcut(s) taken</source>
        <translation>
            <numerusform>Shortcut taken</numerusform>
            <numerusform>Shortcuts taken</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::SnippetsSettingsView</name>
    <message numerus="yes">
        <source>%n snippet(s)</source>
        <translation>
            <numerusform>%n snippet</numerusform>
            <numerusform>%n snippets</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>Delete the folder “%1” and its %n snippet(s)?</source>
        <translation>
            <numerusform>Delete the folder “%1” and its snippet?</numerusform>
            <numerusform>Delete the folder “%1” and its %n snippets?</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::TrayController</name>
    <message numerus="yes">
        <source>%n command(s) wait for your approval</source>
        <translation>
            <numerusform>%n command waits for your approval</numerusform>
            <numerusform>%n commands wait for your approval</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>quillet::TrayHistoryList</name>
    <message numerus="yes">
        <source>%n more item(s)...</source>
        <translation>
            <numerusform>%n more item...</numerusform>
            <numerusform>%n more items...</numerusform>
        </translation>
    </message>
</context>
</TS>
