<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- The toolkit's own texts that the window can show (the edit menus of the text fields, the standard
     buttons of dialogs and message boxes), in Romanian without diacritics like the window's own texts.
     The contexts are the class names that Qt 6 translates them under. -->
<TS version="2.1" language="ro_RO">
<context>
    <name>QLineEdit</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Anuleaza</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Reface</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Taie</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiaza</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Lipeste</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Sterge</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Selecteaza tot</translation>
    </message>
</context>
<context>
    <name>QWidgetTextControl</name>
    <message>
        <source>&amp;Undo</source>
        <translation>&amp;Anuleaza</translation>
    </message>
    <message>
        <source>&amp;Redo</source>
        <translation>&amp;Reface</translation>
    </message>
    <message>
        <source>Cu&amp;t</source>
        <translation>&amp;Taie</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiaza</translation>
    </message>
    <message>
        <source>Copy &amp;Link Location</source>
        <translation>Copiaza adresa &amp;legaturii</translation>
    </message>
    <message>
        <source>&amp;Paste</source>
        <translation>&amp;Lipeste</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Sterge</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Selecteaza tot</translation>
    </message>
</context>
<context>
    <name>QPlatformTheme</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salveaza</translation>
    </message>
    <message>
        <source>Save All</source>
        <translation>Salveaza tot</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Deschide</translation>
    </message>
    <message>
        <source>&amp;Yes</source>
        <translation>&amp;Da</translation>
    </message>
    <message>
        <source>Yes to &amp;All</source>
        <translation>Da la &amp;toate</translation>
    </message>
    <message>
        <source>&amp;No</source>
        <translation>&amp;Nu</translation>
    </message>
    <message>
        <source>N&amp;o to All</source>
        <translation>N&amp;u la toate</translation>
    </message>
    <message>
        <source>Abort</source>
        <translation>Abandoneaza</translation>
    </message>
    <message>
        <source>Retry</source>
        <translation>Reincearca</translation>
    </message>
    <message>
        <source>Ignore</source>
        <translation>Ignora</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Inchide</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anulare</translation>
    </message>
    <message>
        <source>Discard</source>
        <translation>Renunta</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Ajutor</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Aplica</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>Reinitializeaza</translation>
    </message>
    <message>
        <source>Restore Defaults</source>
        <translation>Valorile initiale</translation>
    </message>
</context>
<context>
    <name>QGnomeTheme</name>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>&amp;Save</source>
        <translation>&amp;Salveaza</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Anulare</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Inchide</translation>
    </message>
    <message>
        <source>Close without Saving</source>
        <translation>Inchide fara a salva</translation>
    </message>
</context>
<context>
    <name>QMessageBox</name>
    <message>
        <source>Show Details...</source>
        <translation>Arata detaliile...</translation>
    </message>
    <message>
        <source>Hide Details...</source>
        <translation>Ascunde detaliile...</translation>
    </message>
</context>
</TS>
