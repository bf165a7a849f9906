// The Designer plugin as Qt Designer loads it: a plugin file whose instance
// offers the field, creates it, and shows its three settings as editable.
#include <QDomDocument>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QtTest>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <dotquad/dotquad.h>

class tst_DesignerPlugin : public QObject {
  Q_OBJECT

  // The plugin's widgets, whether it offers one or a collection.
  static QList<QDesignerCustomWidgetInterface*> Widgets(QObject* instance) {
    if (auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(instance))
      return collection->customWidgets();
    if (auto* one = qobject_cast<QDesignerCustomWidgetInterface*>(instance)) return {one};
    return {};
  }

  QPluginLoader loader_{QStringLiteral(DESIGNER_PLUGIN_PATH)};
  QDesignerCustomWidgetInterface* field_ = nullptr;

 private slots:
  void initTestCase() {
    QVERIFY2(loader_.load(), qPrintable(loader_.errorString()));
    QCOMPARE(loader_.metaData().value(QLatin1String("IID")).toString(),
             QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));
    for (QDesignerCustomWidgetInterface* w : Widgets(loader_.instance()))
      if (w->name() == QLatin1String("DotquadLib::Dotquad")) field_ = w;
    QVERIFY2(field_, "the plugin does not list the Dotquad field");
  }

  void describesTheFieldForAForm() {
    QCOMPARE(field_->includeFile(), QStringLiteral("dotquad/dotquad.h"));
    QVERIFY(!field_->isContainer());
    QVERIFY(!field_->group().isEmpty());
    field_->initialize(nullptr);
    QVERIFY(field_->isInitialized());
    // The form snippet names the class Designer writes into the .ui file.
    QDomDocument dom;
    QVERIFY(dom.setContent(field_->domXml()));
    const QDomElement widget = dom.documentElement().firstChildElement(QStringLiteral("widget"));
    QCOMPARE(widget.attribute(QStringLiteral("class")), field_->name());
  }

  void createsTheFieldWithEditableSettings() {
    QWidget form;
    QWidget* created = field_->createWidget(&form);
    auto* dq = qobject_cast<DotquadLib::Dotquad*>(created);
    QVERIFY(dq);
    QCOMPARE(dq->parentWidget(), &form);
    // What the property editor shows and writes: designable, writable, and
    // written through to the control.
    const QMetaObject* meta = dq->metaObject();
    for (const char* name : {"FullAddress", "ShowWarning", "SubnetMask"}) {
      const QMetaProperty p = meta->property(meta->indexOfProperty(name));
      QVERIFY2(p.isValid() && p.isWritable() && p.isDesignable(), name);
    }
    QVERIFY(dq->setProperty("FullAddress", QStringLiteral("10.1.2.3")));
    QVERIFY(dq->setProperty("ShowWarning", true));
    QVERIFY(dq->setProperty("SubnetMask", true));
    QCOMPARE(dq->FullAddress(), QStringLiteral("10.1.2.3"));
    QVERIFY(dq->ShowWarning());
    QVERIFY(dq->SubnetMask());
  }
};

QTEST_MAIN(tst_DesignerPlugin)
#include "tst_designerplugin.moc"
